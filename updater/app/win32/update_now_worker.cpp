#include "updater/app/win32/update_now_worker.h"

namespace updater {

UpdateNowWorker::~UpdateNowWorker() {
    Finish();
}

bool UpdateNowWorker::Start(std::function<void()> job) {
    if (thread_ != nullptr)
        return false;
    job_ = std::move(job);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    if (thread_ == nullptr) {
        job_ = nullptr;
        return false;
    }
    return true;
}

void UpdateNowWorker::Finish() {
    // The job's windows are owned by windows of this thread: keep answering
    // their messages until the thread has ended. A message handled here may
    // finish the worker itself (the completion message), so the handle is
    // checked on every round.
    while (thread_ != nullptr) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0 + 1) {
            DispatchWaiting();
            continue;
        }
        CloseHandle(thread_);
        thread_ = nullptr;
        job_ = nullptr;
    }
}

void UpdateNowWorker::DispatchWaiting() {
    MSG message;
    while (thread_ != nullptr && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The quit belongs to the loop that runs this thread: keep it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

DWORD WINAPI UpdateNowWorker::Run(void* self) {
    static_cast<UpdateNowWorker*>(self)->job_();
    return 0;
}

}  // namespace updater
