#include "wizard/app/cli/build_iso.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <future>

#include "platform/files.h"
#include "wizard/app/cli/build_record.h"
#include "wizard/app/cli/file_manager.h"
#include "wizard/app/cli/iso_path_check.h"
#include "wizard/app/cli/medium_digest.h"
#include "wizard/app/cli/reproducible_build.h"
#include "wizard/app/cli/share_check_cli.h"
#include "wizard/app/cli/terminal_reporter.h"
#include "wizard/media/iso_media_builder.h"
#include "wizard/media/linux/medium_verifier.h"

namespace wizard::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

// Chooses and checks IsoPath as the ISO image path page does; false after a message.
bool SetIsoPath(WizardSettings& settings, const CliOptions& options) {
    std::string path;
    if (options.isoPath) {
        path = *options.isoPath;
    } else {
        settings.ApplyDefaultIsoPath();
        path = platform::ToUtf8(settings.IsoPath.value_or(platform::WString()));
    }
    if (path.empty()) {
        std::fprintf(stderr, "Please enter path and file name for ISO image of bootable disk.\n");
        return false;
    }
    if (!CheckIsoPath(path)) {
        std::fprintf(stderr, "Error in creating or opening file.\n");
        return false;
    }
    settings.IsoPath = platform::FromUtf8(path);
    return true;
}

}  // namespace

// The pause after every step: 600 ms, as on the progress page. Benchmarks set
// QUELIX_STEP_PAUSE_MS to measure the build without it.
std::chrono::milliseconds StepPause() {
    const char* text = std::getenv("QUELIX_STEP_PAUSE_MS");
    if (text == nullptr || *text == '\0')
        return std::chrono::milliseconds(600);
    char* end = nullptr;
    const long ms = std::strtol(text, &end, 10);
    if (*end != '\0' || ms < 0 || ms > 600)
        return std::chrono::milliseconds(600);
    return std::chrono::milliseconds(ms);
}

InterruptWatch::InterruptWatch() {
    interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previous_, nullptr);
}

bool InterruptWatch::Interrupted() const {
    return interrupted != 0;
}

int RunTerminalBuild(BuildReporter& reporter, const BuildWorker::Builder& builder) {
    const InterruptWatch watch;
    BuildWorker worker(reporter, StepPause());
    std::promise<int> done;
    std::future<int> result = done.get_future();
    worker.Start(builder, [&](int buildResult) { done.set_value(buildResult); });
    int outcome = kBuildNotCompleted;
    for (;;) {
        if (result.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready) {
            worker.Join();
            outcome = result.get();
            break;
        }
        if (watch.Interrupted()) {
            std::fprintf(stderr, "mediawizard: cancelled\n");
            if (!worker.Cancel()) {
                // The worker is detached and reports nothing more; do not wait for it.
                std::fflush(nullptr);
                std::_Exit(kBuildNotCompleted);
            }
            worker.Join();
            break;
        }
    }
    return outcome;
}

int BuildIsoFromCli(WizardSettings& settings, const CliOptions& options) {
    const platform::WString programFolder = settings.Environment.ProgramFolder;
    // The work folder beside the image and a linked payload: the image is
    // renamed into place and the payload never copied where links can be made.
    IsoBuildOptions build{true, true, {}};
    if (!SetIsoPath(settings, options) || !PrepareBuildStamp(options, programFolder, build.stamp))
        return kExitUsage;
    if (!CheckShareBeforeBuild(settings, options))
        return kExitFailed;  // as the logging page stays open
    // Like the pages, the command line stores settings only where the wipe
    // settings page would: an ISO build by itself writes nothing to the store.
    settings.ChooseUsb = 0;
    TerminalReporter reporter;
    MediumVerifier verifier(options.VerifiesMedium(), programFolder);
    build.check = &verifier;
    const int64_t time = std::time(nullptr);
    settings.BuildResult = RunTerminalBuild(reporter, [&](BuildContext& context) {
        return IsoMediaBuilder(settings, context, programFolder, {}, build).BuildIsoImage();
    });
    if (settings.BuildResult != kBuildNotCompleted && !verifier.Report().files.empty()) {
        const std::string image = platform::ToUtf8(*settings.IsoPath);
        uint64_t bytes = 0;
        platform::FileSize(*settings.IsoPath, bytes);
        RecordBuild(options.recordFolder, settings, {"iso-image", image, {}, {}, {}, bytes},
                    verifier.Report(), settings.BuildResult, time);
    }
    if (settings.BuildResult == kBuildCreated && options.openFolder) {
        const std::string image = platform::ToUtf8(*settings.IsoPath);
        std::printf("%s\n", image.c_str());
        std::fflush(stdout);
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(image, error);
        if (!error)
            ShowInFileManager(absolute.string());
    }
    if (settings.BuildResult == kBuildCreated && options.printDigest &&
        PrintMediumDigest(platform::ToUtf8(*settings.IsoPath)) != kExitOk)
        return kBuildFailed;
    return settings.BuildResult;
}

}  // namespace wizard::cli
