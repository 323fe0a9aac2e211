#include "wizard/netshare/win32/win32_popup.h"

#include <vector>

namespace wizard::netshare {
namespace {

// A Win32 semaphore, count 0 and maximum 1. The untimed wait is the popup
// thread's wait while its popup is up: it keeps the popup painted.
class Win32Semaphore : public PopupSemaphore {
  public:
    explicit Win32Semaphore(HANDLE handle) : handle_(handle) {}
    ~Win32Semaphore() override { CloseHandle(handle_); }
    Win32Semaphore(const Win32Semaphore&) = delete;
    Win32Semaphore& operator=(const Win32Semaphore&) = delete;

    void Release() override { ReleaseSemaphore(handle_, 1, nullptr); }
    bool Wait(std::optional<std::chrono::milliseconds> timeout) override {
        if (timeout)
            return WaitForSingleObject(handle_, static_cast<DWORD>(timeout->count())) ==
                   WAIT_OBJECT_0;
        for (;;) {
            const DWORD woke = MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_ALLINPUT);
            if (woke == WAIT_OBJECT_0)
                return true;
            if (woke != WAIT_OBJECT_0 + 1)
                return false;
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

  private:
    HANDLE handle_;
};

DWORD WINAPI RunBody(void* parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
}

class Win32Thread : public PopupThread {
  public:
    explicit Win32Thread(HANDLE handle) : handle_(handle) {}
    ~Win32Thread() override {
        Join();
        CloseHandle(handle_);
    }
    Win32Thread(const Win32Thread&) = delete;
    Win32Thread& operator=(const Win32Thread&) = delete;
    void Join() override { WaitAnsweringSentMessages(handle_); }

  private:
    HANDLE handle_;
};

class Win32Popup : public PopupWindow {
  public:
    explicit Win32Popup(HWND window) : window_(window) {}
    ~Win32Popup() override { DestroyWindow(window_); }
    Win32Popup(const Win32Popup&) = delete;
    Win32Popup& operator=(const Win32Popup&) = delete;

  private:
    HWND window_;
};

INT_PTR CALLBACK PopupProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void CentreOn(HWND window, HWND owner) {
    RECT mine{}, theirs{};
    GetWindowRect(window, &mine);
    if (owner == nullptr || !GetWindowRect(owner, &theirs))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &theirs, 0);
    const int width = mine.right - mine.left, height = mine.bottom - mine.top;
    const int x = theirs.left + ((theirs.right - theirs.left) - width) / 2;
    const int y = theirs.top + ((theirs.bottom - theirs.top) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

bool WaitAnsweringSentMessages(HANDLE object) {
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0)
            return true;
        if (woke != WAIT_OBJECT_0 + 1)
            return false;
        // Delivers the messages sent from other threads; leaves the queue alone.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::unique_ptr<PopupSemaphore> Win32PopupSystem::NewSemaphore() {
    HANDLE handle = CreateSemaphoreW(nullptr, 0, 1, nullptr);
    if (!handle)
        return nullptr;
    return std::make_unique<Win32Semaphore>(handle);
}

std::unique_ptr<PopupThread> Win32PopupSystem::StartThread(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    HANDLE handle = CreateThread(nullptr, 0, RunBody, owned.get(), 0, nullptr);
    if (!handle)
        return nullptr;
    owned.release();  // the thread owns it now
    return std::make_unique<Win32Thread>(handle);
}

std::unique_ptr<PopupWindow> Win32PopupSystem::ShowPopup() {
    HWND window =
        CreateDialogParamW(instance_, MAKEINTRESOURCEW(kWaitPopupTemplate), owner_, PopupProc, 0);
    if (!window)
        return nullptr;
    std::vector<wchar_t> text(256);
    if (LoadStringW(instance_, kWaitPopupString, text.data(), static_cast<int>(text.size())) > 0)
        SetDlgItemTextW(window, kWaitPopupText, text.data());
    CentreOn(window, owner_);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    return std::make_unique<Win32Popup>(window);
}

}  // namespace wizard::netshare
