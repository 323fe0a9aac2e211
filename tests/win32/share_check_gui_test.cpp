// The share check of the real logging page under Wine, with the Windows
// share calls and the real wait popup: a check that outlasts the popup's
// delay shows the popup (template 159 with string 173) owned by the page and
// centred on it, although the interface thread is busy and answers nothing;
// the popup is gone before the result's message box; nothing is left in the
// folder. Wine's LogonUserW accepts any account, so the check runs with the
// program's own identity here; credentials are tested on Linux with Samba.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "gui_driver.h"
#include "page_dialogs.h"
#include "qo_version.h"
#include "resource.h"
#include "testsupport/scratch_folder.h"
#include "wizard/netshare/win32/win32_popup.h"
#include "wizard/netshare/win32/win32_share_platform.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;

const std::wstring kCaption = L"" QO_PRODUCT_NAME;

// The popup as the user sees it.
struct PopupSeen {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring text;
    RECT place{}, ownerPlace{};
    bool active = false;
};

// The Windows share calls, with an existence test as slow as a distant
// server: it returns once the popup is on screen (or after a minute). It
// waits on the interface thread without handling any message, as a network
// call does.
class SlowPlatform : public netshare::Win32SharePlatform {
  public:
    bool PathExists(const platform::WString& path) override {
        const HWND popup = gui::WaitForWindow(L"", IDC_WAIT_TEXT, 60s, true);
        if (popup) {
            seen.window = popup;
            seen.owner = GetWindow(popup, GW_OWNER);
            seen.text = gui::TextOf(popup, IDC_WAIT_TEXT);
            GetWindowRect(popup, &seen.place);
            GetWindowRect(seen.owner, &seen.ownerPlace);
            seen.active = GetForegroundWindow() == popup;
        }
        return Win32SharePlatform::PathExists(path);
    }
    PopupSeen seen;
};

TEST(ShareCheckGui, TheWaitPopupComesOverTheBusyPageAndGoesBeforeTheMessage) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    qo::test::ScratchFolder folder;
    WizardSettings settings;
    SlowPlatform platform;
    pages::PlatformShareTester tester(platform, [instance](void* pageWindow) {
        return std::make_unique<netshare::Win32PopupSystem>(instance,
                                                            static_cast<HWND>(pageWindow));
    });
    win32::CLoggingDlg page(instance, settings, tester);
    const std::wstring share(folder.Path().begin(), folder.Path().end());
    HWND pageWindow = nullptr;
    std::atomic<bool> popupGoneAtMessage{false};
    std::wstring message;
    std::thread driver([&] {
        pageWindow = gui::WaitForWindow(kCaption, IDC_LOG_SHARE);
        if (pageWindow) {
            gui::Click(pageWindow, IDC_LOG_NET);
            gui::Type(pageWindow, IDC_LOG_SHARE, share);
            gui::Click(pageWindow, IDC_LOG_CHECK);
            const gui::MessageBoxSeen box = gui::WaitForMessageBox(kCaption, 120s);
            popupGoneAtMessage = !IsWindow(platform.seen.window);
            message = box.text;
            gui::Answer(box, IDOK);
            gui::Click(pageWindow, IDC_NEXT);  // passed during this visit: no question
            if (gui::WaitGone(pageWindow))
                return;
        }
        ADD_FAILURE() << "the driver did not get through its script";
        gui::CloseEverything();
    });
    const pages::PageResult result = page.DoModal();
    driver.join();

    EXPECT_EQ(result, pages::PageResult::Next);
    ASSERT_NE(platform.seen.window, nullptr) << "no popup within a minute";
    EXPECT_EQ(platform.seen.owner, pageWindow);
    EXPECT_EQ(platform.seen.text, L"Checking availability of a network resource. Please wait.");
    EXPECT_FALSE(platform.seen.active);  // the page keeps the activation
    const auto centre = [](const RECT& r) {
        return std::make_pair((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    const auto [px, py] = centre(platform.seen.place);
    const auto [ox, oy] = centre(platform.seen.ownerPlace);
    EXPECT_LE(std::abs(px - ox), 1);
    EXPECT_LE(std::abs(py - oy), 1);
    EXPECT_TRUE(popupGoneAtMessage);
    EXPECT_EQ(message, L"Test of write-access to the folder successfully passed.");
    EXPECT_FALSE(netshare::Win32SharePlatform().PathExists(folder / u"tmp.txt"));
}

}  // namespace
}  // namespace wizard
