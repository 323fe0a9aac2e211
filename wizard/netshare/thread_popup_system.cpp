#include "wizard/netshare/thread_popup_system.h"

#include <system_error>

namespace wizard::netshare {
namespace {

class StdPopupThread : public PopupThread {
  public:
    explicit StdPopupThread(std::function<void()> body) : thread_(std::move(body)) {}
    ~StdPopupThread() override { Join(); }
    void Join() override {
        if (thread_.joinable())
            thread_.join();
    }

  private:
    std::thread thread_;
};

}  // namespace

void StdSemaphore::Release() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ >= maximum_)
            return;
        ++count_;
    }
    released_.notify_one();
}

bool StdSemaphore::Wait(std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto available = [this] { return count_ > 0; };
    if (!timeout)
        released_.wait(lock, available);
    else if (!released_.wait_for(lock, *timeout, available))
        return false;
    --count_;
    return true;
}

std::unique_ptr<PopupSemaphore> ThreadPopupSystem::NewSemaphore() {
    return std::make_unique<StdSemaphore>(1);
}

std::unique_ptr<PopupThread> ThreadPopupSystem::StartThread(std::function<void()> body) {
    try {
        return std::make_unique<StdPopupThread>(std::move(body));
    } catch (const std::system_error&) {
        return nullptr;  // no thread: the check runs without a popup
    }
}

}  // namespace wizard::netshare
