// The Win32 popup system under Wine: the semaphore's bounds, and a join that
// answers what the popup thread sends to the waiting thread's windows (a
// popup owned by the page may need the page's thread while it goes).
#include "wizard/netshare/win32/win32_popup.h"

#include <gtest/gtest.h>

namespace wizard::netshare {
namespace {

using namespace std::chrono_literals;

TEST(Win32Popup, SemaphoreCountsFromZeroUpToOne) {
    Win32PopupSystem system(GetModuleHandleW(nullptr), nullptr);
    const std::unique_ptr<PopupSemaphore> semaphore = system.NewSemaphore();
    ASSERT_TRUE(semaphore);
    EXPECT_FALSE(semaphore->Wait(0ms));
    semaphore->Release();
    semaphore->Release();  // beyond the maximum: refused by the system
    EXPECT_TRUE(semaphore->Wait(0ms));
    EXPECT_FALSE(semaphore->Wait(0ms));
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return 42;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(Win32Popup, JoinAnswersMessagesTheThreadSendsToTheWaitingThread) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"QoJoinTestWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"QoJoinTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                instance, nullptr);
    ASSERT_NE(window, nullptr);
    int handled = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handled));

    Win32PopupSystem system(instance, window);
    DWORD_PTR answer = 0;
    LRESULT sent = 0;
    // A join that does not answer would leave the send to time out (after a
    // minute) instead of hanging the test.
    std::unique_ptr<PopupThread> thread = system.StartThread(
        [&] { sent = SendMessageTimeoutW(window, WM_USER, 0, 0, SMTO_BLOCK, 60000, &answer); });
    ASSERT_TRUE(thread);
    thread->Join();
    EXPECT_NE(sent, 0);
    EXPECT_EQ(answer, 42u);
    EXPECT_EQ(handled, 1);
    DestroyWindow(window);
}

}  // namespace
}  // namespace wizard::netshare
