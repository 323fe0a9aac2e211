// The wait popup on Windows: the modeless dialog template 159 (icon 161, the
// text 1076 replaced by string 173) created by the popup thread, owned by
// the logging page and centred on it. It is shown without taking the
// activation from the page, so its appearance needs nothing from the
// interface thread, which is busy with the check; while the interface thread
// waits for the popup thread to end it still answers the messages that other
// threads send to its windows, so the popup's removal cannot wait on it
// forever.
//
// Created on the interface thread; the semaphore and window calls run where
// WaitPopup calls them.
#pragma once

#include <windows.h>

#include "wizard/netshare/wait_popup.h"

namespace wizard::netshare {

// The resources the program carries for the popup.
inline constexpr int kWaitPopupTemplate = 159;
inline constexpr int kWaitPopupIcon = 161;
inline constexpr int kWaitPopupText = 1076;
inline constexpr int kWaitPopupString = 173;

class Win32PopupSystem : public PopupSystem {
  public:
    Win32PopupSystem(HINSTANCE instance, HWND owner) : instance_(instance), owner_(owner) {}
    std::unique_ptr<PopupSemaphore> NewSemaphore() override;
    std::unique_ptr<PopupThread> StartThread(std::function<void()> body) override;
    std::unique_ptr<PopupWindow> ShowPopup() override;

  private:
    HINSTANCE instance_;
    HWND owner_;
};

// Waits for an object while answering the messages other threads send to
// this thread's windows (nothing posted is taken from the queue). True when
// the object was signalled.
bool WaitAnsweringSentMessages(HANDLE object);

}  // namespace wizard::netshare
