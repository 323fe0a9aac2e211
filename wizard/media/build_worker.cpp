#include "wizard/media/build_worker.h"

namespace wizard {

bool BuildContext::ReportStep(const platform::WString& text, int position) {
    if (StopRequested())
        return false;
    if (!worker_.detached_)
        worker_.reporter_.ShowStep(text, position);
    return worker_.PauseUnlessStopped();
}

void BuildContext::ShowBuildError(int stringId) {
    if (!worker_.detached_)
        worker_.reporter_.ShowError(stringId);
}

void BuildContext::ShowMessage(const platform::WString& caption, const platform::WString& text) {
    if (!worker_.detached_)
        worker_.reporter_.ShowMessage(caption, text);
}

bool BuildContext::AskYesNo(const platform::WString& caption, const platform::WString& text) {
    if (worker_.detached_ || StopRequested())
        return false;
    return worker_.reporter_.AskYesNo(caption, text) && !StopRequested();
}

bool BuildContext::StopRequested() const {
    return worker_.stop_;
}

long BuildContext::StartTool(platform::Process& process, platform::WStringView commandLine,
                             platform::WStringView workingFolder) {
    return StartKillable(process, [&] { return process.Start(commandLine, workingFolder); });
}

#ifndef _WIN32
long BuildContext::StartTool(platform::Process& process, platform::WStringView commandLine,
                             platform::WStringView workingFolder,
                             const platform::Process::Extras& extras) {
    return StartKillable(process,
                         [&] { return process.Start(commandLine, workingFolder, extras); });
}
#endif

long BuildContext::StartKillable(platform::Process& process, const std::function<long()>& start) {
    std::lock_guard<std::mutex> lock(worker_.toolMutex_);
    // A cancel that came first must not be followed by a tool nobody will kill.
    if (worker_.stop_)
        return kToolCancelled;
    const long started = start();
    if (started == 0)
        worker_.runningTool_ = &process;
    return started;
}

bool BuildContext::WaitTool(platform::Process& process) {
    process.Wait();
    std::lock_guard<std::mutex> lock(worker_.toolMutex_);
    if (worker_.runningTool_ == &process)
        worker_.runningTool_ = nullptr;
    return !worker_.stop_;
}

BuildWorker::BuildWorker(BuildReporter& reporter, std::chrono::milliseconds stepPause)
    : reporter_(reporter), stepPause_(stepPause) {}

BuildWorker::~BuildWorker() {
    if (thread_.joinable()) {
        Cancel(std::chrono::milliseconds(0));
        thread_.join();
    }
}

bool BuildWorker::Start(Builder builder, Done done) {
    if (started_)
        return false;
    started_ = true;
    thread_ = std::thread(&BuildWorker::Run, this, std::move(builder), std::move(done));
    return true;
}

void BuildWorker::Run(Builder builder, Done done) {
    // Take the build lock; a cancel that took it first, or came meanwhile,
    // means no build starts.
    while (!buildLock_.try_acquire_for(std::chrono::milliseconds(20))) {
        if (stop_)
            return;
    }
    if (stop_)
        return;  // the lock stays taken, as the cancelled page leaves it
    BuildContext context(*this);
    const bool made = builder(context);
    buildLock_.release();
    if (!stop_ && !detached_ && done)
        done(made ? kBuildCreated : kBuildFailed);
}

bool BuildWorker::PauseUnlessStopped() {
    std::unique_lock<std::mutex> lock(stopWaitMutex_);
    stopWait_.wait_for(lock, stepPause_, [this] { return stop_.load(); });
    return !stop_;
}

bool BuildWorker::Cancel(std::chrono::milliseconds grace) {
    {
        std::lock_guard<std::mutex> lock(stopWaitMutex_);
        stop_ = true;
    }
    stopWait_.notify_all();
    {
        std::lock_guard<std::mutex> lock(toolMutex_);
        if (runningTool_)
            runningTool_->Kill();
    }
    const bool ended = buildLock_.try_acquire_for(grace);
    if (!ended)
        detached_ = true;
    return ended;
}

void BuildWorker::Join() {
    if (thread_.joinable())
        thread_.join();
}

}  // namespace wizard
