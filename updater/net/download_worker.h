// The download worker: runs one fetch on its own thread with a
// DownloadProgress as the progress owner and reports the end value: -9 when
// the stop flag is set, otherwise the fetch result (0, -8, -14 or a library
// error number). The object is owned by the interface thread; the worker
// thread is joined when it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "platform/text.h"
#include "updater/net/download_progress.h"
#include "updater/net/download_site.h"
#include "updater/net/fetch.h"

namespace updater {

// The end value when the worker thread could not be started.
constexpr int32_t kWorkerNotStarted = 2;

class DownloadWorker {
  public:
    DownloadWorker() = default;
    ~DownloadWorker();
    DownloadWorker(const DownloadWorker&) = delete;
    DownloadWorker& operator=(const DownloadWorker&) = delete;

    // Starts the fetch; done(end value) is called on the worker thread as its
    // last act. False when the thread could not be created (done is not
    // called). progress and site must outlive the worker.
    bool Start(DownloadProgress& progress, const DownloadSite& site, std::string fileName,
               platform::WString destination, FetchOptions options,
               std::function<void(int32_t)> done);
    // Waits for the worker thread to end.
    void Join();

  private:
    std::thread thread_;
};

// The end value of a finished fetch.
int32_t DownloadEndValue(const DownloadProgress& progress, int32_t fetchResult);

}  // namespace updater
