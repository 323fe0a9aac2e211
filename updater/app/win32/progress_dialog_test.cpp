#include "updater/app/win32/progress_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "testsupport/scratch_folder.h"
#include "updater/net/testing/test_servers.h"

namespace updater {
namespace {

using testing::LocalSite;
using testing::Servers;

// Watches the dialogs of this thread: whether one was ever visible, and
// (when asked) presses Stop as soon as one has started.
struct DialogWatch {
    static inline bool everVisible = false;
    static inline bool pressStop = false;
    static inline HWND dialog = nullptr;

    static LRESULT CALLBACK AfterCall(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG) {
            dialog = call->hwnd;
            if (pressStop)
                PostMessageW(call->hwnd, WM_COMMAND, IDCANCEL, 0);
        }
        if (code == HC_ACTION && call->hwnd == dialog && IsWindowVisible(call->hwnd))
            everVisible = true;
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

TEST(ProgressDialog, DownloadsUnderDialog134AndStops) {
    ASSERT_TRUE(Servers().Available());
    const DownloadSite site = LocalSite(SiteKind::Http, Servers().httpPort);
    qo::test::ScratchFolder folder;
    StringTable strings;
    strings.Add(kProgramTitleString, u"KV Automatic Update");
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND parent = CreateWindowExW(0, L"STATIC", L"Parent window", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                  100, nullptr, nullptr, instance, nullptr);
    ASSERT_NE(parent, nullptr);
    HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROCRET, DialogWatch::AfterCall, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);

    // A short download: the result, the file, and the dialog never shown.
    EXPECT_EQ(DownloadWithDialog(instance, parent, site, "size-300000", folder / u"a.bin", strings),
              0);
    EXPECT_EQ(qo::test::ReadFileBytes(folder / u"a.bin").size(), 300000u);
    EXPECT_NE(DialogWatch::dialog, nullptr);
    EXPECT_FALSE(DialogWatch::everVisible);
    // The owner has its own title back.
    wchar_t title[64] = {};
    GetWindowTextW(parent, title, 64);
    EXPECT_STREQ(title, L"Parent window");

    // A failure ends the dialog with the fetch's code.
    EXPECT_EQ(DownloadWithDialog(instance, parent, site, "status-500", folder / u"b.bin", strings),
              -14);

    // Stop (Escape sends the same command): -9 and the old file stays.
    const platform::WString to = folder.Write(u"setup.exe", "old");
    DialogWatch::pressStop = true;
    EXPECT_EQ(DownloadWithDialog(instance, nullptr, site, "slow", to, strings), -9);
    EXPECT_EQ(qo::test::ReadFileBytes(to), "old");

    UnhookWindowsHookEx(hook);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace updater
