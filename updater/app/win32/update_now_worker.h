// The Update Now worker: one thread that runs a job (UpdateCheck and its
// report) while the interface thread keeps the window responsive. The owner
// starts it, closes its handle when the job's completion message arrives, and
// never lets the object go while the thread runs: the destructor waits,
// dispatching the interface thread's messages meanwhile, because the job's
// dialogs and message boxes are owned by the main window and need that thread
// to answer their messages.
//
// Interface thread (the job itself runs on the worker).
#pragma once

#include <windows.h>

#include <functional>

namespace updater {

class UpdateNowWorker {
  public:
    UpdateNowWorker() = default;
    ~UpdateNowWorker();
    UpdateNowWorker(const UpdateNowWorker&) = delete;
    UpdateNowWorker& operator=(const UpdateNowWorker&) = delete;

    // Starts job on a new thread; false (nothing runs) when one still runs or
    // the thread cannot be created.
    bool Start(std::function<void()> job);
    // Whether a thread was started and its handle is not closed yet.
    bool Started() const { return thread_ != nullptr; }
    // Waits for the thread to end, dispatching this thread's messages, and
    // closes its handle. Nothing when none was started.
    void Finish();

  private:
    static DWORD WINAPI Run(void* self);
    // Dispatches the messages waiting for this thread.
    void DispatchWaiting();

    HANDLE thread_ = nullptr;
    std::function<void()> job_;
};

}  // namespace updater
