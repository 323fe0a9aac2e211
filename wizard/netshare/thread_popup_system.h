// ThreadPopupSystem: the popup thread and semaphore of WaitPopup on the C++
// standard library, for systems whose popup does not need a window thread of
// their own (the Linux terminal line; the tests). Derived classes show the
// popup. Any thread.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "wizard/netshare/wait_popup.h"

namespace wizard::netshare {

// A counting semaphore with a maximum count; a release beyond it is dropped.
class StdSemaphore : public PopupSemaphore {
  public:
    explicit StdSemaphore(int maximum) : maximum_(maximum) {}
    void Release() override;
    bool Wait(std::optional<std::chrono::milliseconds> timeout) override;

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    int count_ = 0;
    int maximum_;
};

class ThreadPopupSystem : public PopupSystem {
  public:
    std::unique_ptr<PopupSemaphore> NewSemaphore() override;
    std::unique_ptr<PopupThread> StartThread(std::function<void()> body) override;
};

}  // namespace wizard::netshare
