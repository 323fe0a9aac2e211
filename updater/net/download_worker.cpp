#include "updater/net/download_worker.h"

#include <system_error>

namespace updater {

int32_t DownloadEndValue(const DownloadProgress& progress, int32_t fetchResult) {
    return progress.StopRequested() ? kDownloadStopped : fetchResult;
}

DownloadWorker::~DownloadWorker() {
    Join();
}

bool DownloadWorker::Start(DownloadProgress& progress, const DownloadSite& site,
                           std::string fileName, platform::WString destination,
                           FetchOptions options, std::function<void(int32_t)> done) {
    if (thread_.joinable())
        return false;
    try {
        thread_ = std::thread([&progress, &site, fileName = std::move(fileName),
                               destination = std::move(destination), options = std::move(options),
                               done = std::move(done)]() mutable {
            // Hidden until the transfer has run for more than 3 seconds.
            progress.View().Show(false);
            if (!options.client.interrupted)
                options.client.interrupted = [&progress] { return progress.StopRequested(); };
            const int32_t result = Fetch(site, fileName, destination, progress, options);
            done(DownloadEndValue(progress, result));
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void DownloadWorker::Join() {
    if (thread_.joinable())
        thread_.join();
}

}  // namespace updater
