#include "wizard/netshare/wait_popup.h"

namespace wizard::netshare {

void WaitPopup::Start() {
    Stop();
    auto block = std::make_unique<ControlBlock>();
    block->semaphore = system_.NewSemaphore();
    if (!block->semaphore)
        return;
    block->show = 1;
    PopupSystem& system = system_;
    ControlBlock& shared = *block;
    block_ = std::move(block);
    thread_ = system_.StartThread([&system, &shared] { PopupThreadBody(system, shared); });
    if (!thread_)
        block_.reset();
}

void WaitPopup::PopupThreadBody(PopupSystem& system, ControlBlock& block) {
    if (block.semaphore->Wait(kPopupDelay))
        return;  // stopped in time: nothing was shown
    std::unique_ptr<PopupWindow> popup;
    if (block.show == 1)
        popup = system.ShowPopup();
    block.semaphore->Wait(std::nullopt);
    // The popup goes here, on its own thread, before the thread ends.
}

void WaitPopup::Stop() {
    if (!thread_)
        return;
    block_->show = 0;
    block_->semaphore->Release();
    thread_->Join();
    thread_.reset();
    block_.reset();
}

}  // namespace wizard::netshare
