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
    if (thread_ == nullptr)
        return;
    // The job's windows are owned by windows of this thread: keep answering
    // their messages until the thread has ended.
    while (MsgWaitForMultipleObjects(1, &thread_, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Keep the quit for the loop that owns it.
                PostQuitMessage(static_cast<int>(message.wParam));
                WaitForSingleObject(thread_, INFINITE);
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    CloseHandle(thread_);
    thread_ = nullptr;
    job_ = nullptr;
}

DWORD WINAPI UpdateNowWorker::Run(void* self) {
    static_cast<UpdateNowWorker*>(self)->job_();
    return 0;
}

}  // namespace updater
