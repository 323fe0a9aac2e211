// WaitPopup: the small "please wait" popup of the network share check. Start
// hands a popup thread a control block (a semaphore with count 0 and maximum
// 1, and a show flag); the thread shows the popup only when the semaphore is
// not released within kPopupDelay, and removes it when it is. Stop clears the
// flag, releases the semaphore once and waits for the thread to end, so once
// Stop returns no popup is on screen.
//
// Start and Stop: the thread that runs the check. The PopupSystem's window
// calls: the popup thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace wizard::netshare {

// A short check shows no popup at all (no flicker).
inline constexpr std::chrono::milliseconds kPopupDelay{2000};

class PopupSemaphore {
  public:
    virtual ~PopupSemaphore() = default;
    virtual void Release() = 0;
    // Waits for a release: up to `timeout`, or without limit when none is
    // given. True when released.
    virtual bool Wait(std::optional<std::chrono::milliseconds> timeout) = 0;
};

class PopupThread {
  public:
    virtual ~PopupThread() = default;
    // Waits without limit for the thread to end.
    virtual void Join() = 0;
};

// The popup on screen (a window, or a line on the terminal); it is removed
// when the object goes.
class PopupWindow {
  public:
    virtual ~PopupWindow() = default;
};

class PopupSystem {
  public:
    virtual ~PopupSystem() = default;
    // A semaphore with initial count 0 and maximum count 1; null on failure.
    virtual std::unique_ptr<PopupSemaphore> NewSemaphore() = 0;
    // Runs `body` on a new thread; null when no thread could be started.
    virtual std::unique_ptr<PopupThread> StartThread(std::function<void()> body) = 0;
    // Creates, shows and paints the popup (called on the popup thread).
    virtual std::unique_ptr<PopupWindow> ShowPopup() = 0;
};

class WaitPopup {
  public:
    explicit WaitPopup(PopupSystem& system) : system_(system) {}
    ~WaitPopup() { Stop(); }
    WaitPopup(const WaitPopup&) = delete;
    WaitPopup& operator=(const WaitPopup&) = delete;

    // Starts the popup thread. When the system cannot give a semaphore or a
    // thread the check simply runs without a popup.
    void Start();
    // Stops the popup; does nothing when it is not running.
    void Stop();

  private:
    // Shared by the two threads; the semaphore is their only synchronisation.
    struct ControlBlock {
        std::unique_ptr<PopupSemaphore> semaphore;
        std::atomic<int> show{0};
    };
    static void PopupThreadBody(PopupSystem& system, ControlBlock& block);

    PopupSystem& system_;
    std::unique_ptr<ControlBlock> block_;
    std::unique_ptr<PopupThread> thread_;
};

}  // namespace wizard::netshare
