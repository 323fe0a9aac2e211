// BuildWorker: runs one medium build on a worker thread, holding the build lock
// for the whole build, and lets the interface thread cancel it.
//
// The builder reports through the BuildContext it is given: ReportStep (text,
// position, then a 600 ms pause), ShowBuildError, and the external tool it is
// running, so that a cancel can kill it. Cancellation is cooperative: Cancel
// raises a stop flag that the builder checks between steps (ReportStep returns
// false once it is raised), kills the running tool, and waits at most 4 s for
// the build lock. A worker that takes the lock after a cancel starts no build.
// No thread is ever forcibly terminated; a worker still busy after a cancel is
// detached from the reporter and its result is ignored. The reporter must
// outlive the BuildWorker (whose destructor joins the thread).
//
// Start, Cancel, Finished and the destructor are for the interface thread; the
// BuildContext is for the builder on the worker thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>

#include "platform/error_codes.h"
#include "platform/process.h"
#include "wizard/media/build_reporter.h"

namespace wizard {

// Outcome of a build, as BuildResult holds it.
constexpr int kBuildCreated = 0;
constexpr int kBuildNotCompleted = 1;  // cancelled, or never ran
constexpr int kBuildFailed = 2;

// StartTool's result when the build was cancelled before the tool could start.
constexpr long kToolCancelled = platform::kErrorCancelled;

class BuildWorker;

class BuildContext {
  public:
    // Shows a step and pauses; false when the build has been cancelled (the
    // builder then stops at once and returns false).
    bool ReportStep(const platform::WString& text, int position);
    void ShowBuildError(int stringId);
    void ShowMessage(const platform::WString& caption, const platform::WString& text);
    // Yes/No question; No once the build is cancelled.
    bool AskYesNo(const platform::WString& caption, const platform::WString& text);
    bool StopRequested() const;
    // Starts an external tool that a cancel kills; returns Process::Start's result.
    long StartTool(platform::Process& process, platform::WStringView commandLine,
                   platform::WStringView workingFolder);
#ifndef _WIN32
    // The same with what a Linux start may add (the tool's standard output).
    long StartTool(platform::Process& process, platform::WStringView commandLine,
                   platform::WStringView workingFolder, const platform::Process::Extras& extras);
#endif
    // Waits for the tool started with StartTool; false when it was killed by a cancel.
    bool WaitTool(platform::Process& process);

  private:
    friend class BuildWorker;
    explicit BuildContext(BuildWorker& worker) : worker_(worker) {}
    long StartKillable(platform::Process& process, const std::function<long()>& start);
    BuildWorker& worker_;
};

class BuildWorker {
  public:
    using Builder = std::function<bool(BuildContext&)>;
    // Called on the worker thread as its last act, with kBuildCreated or
    // kBuildFailed; not called for a cancelled build.
    using Done = std::function<void(int buildResult)>;

    // stepPause: the pause after every step (600 ms; tests pass less).
    explicit BuildWorker(BuildReporter& reporter,
                         std::chrono::milliseconds stepPause = std::chrono::milliseconds(600));
    ~BuildWorker();  // cancels a running build and joins the thread
    BuildWorker(const BuildWorker&) = delete;
    BuildWorker& operator=(const BuildWorker&) = delete;

    // Starts the worker thread; false when this worker already ran a build.
    bool Start(Builder builder, Done done);
    // Cancels: raises the stop flag, kills the running tool and waits up to
    // graceMs for the build lock. Returns true when the worker ended (or never
    // built) within that time.
    bool Cancel(std::chrono::milliseconds grace = std::chrono::milliseconds(4000));
    // Waits for the worker thread to end (after Done, or after a cancel).
    void Join();

  private:
    friend class BuildContext;
    void Run(Builder builder, Done done);
    bool PauseUnlessStopped();

    BuildReporter& reporter_;
    std::atomic<bool> detached_{false};  // set by a cancel: report nothing more
    std::chrono::milliseconds stepPause_;
    std::counting_semaphore<10> buildLock_{1};
    std::atomic<bool> stop_{false};
    std::mutex toolMutex_;
    platform::Process* runningTool_ = nullptr;
    std::mutex stopWaitMutex_;
    std::condition_variable stopWait_;
    bool started_ = false;
    std::thread thread_;
};

}  // namespace wizard
