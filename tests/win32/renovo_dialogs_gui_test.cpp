// The update program's small dialogs under Wine, driven from a second thread
// while each runs modally on the test's thread: the download questions 140
// and 141 (placement near the cursor, the "&View details" button only on 140,
// the release notes link), the restart question 139 (Escape and the close
// box leave it open, "&Later" ends it), the creation path's narrow-text
// retry and its error message (also for the download progress dialog 134),
// the command dispatch of cDlgBase and cDlgPage, and the dialogs'
// translation. Screenshots of 140, 141, 139 and the download progress dialog
// 134 land in screens/.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "german_language.h"
#include "gui_driver.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "resource.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/win32/dialog_creation.h"
#include "updater/app/win32/dlg_base.h"
#include "updater/app/win32/mb_text_dlg.h"
#include "updater/app/win32/progress_dialog.h"
#include "updater/app/win32/restart_dlg.h"
#include "updater/net/download_worker.h"
#include "updater/support/lang_file.h"

namespace updater {
namespace {

using namespace std::chrono_literals;

const std::wstring kCaption = L"KV Automatic Update";
constexpr char16_t kQuestion[] =
    u"New version of Quelix Omnisweep is available.\nDo you want to download it now?";

// Runs a modal dialog on this thread while drive plays the user; a driver
// that gets lost closes whatever is open so that the run returns.
INT_PTR RunDriven(const std::function<INT_PTR()>& run, const std::function<bool()>& drive) {
    std::thread driver([&] {
        if (drive())
            return;
        ADD_FAILURE() << "the driver did not get through its script";
        for (int round = 0; round < 10; ++round) {
            HWND open = gui::WaitForWindow(kCaption, 0, 1s);
            if (open == nullptr)
                open = gui::WaitForWindow(kDialogCreationErrorCaption, 0, 1s);
            if (open == nullptr)
                return;
            PostMessageW(open, WM_COMMAND, IDNO, 0);
            PostMessageW(open, WM_COMMAND, IDOK, 0);
        }
    });
    const INT_PTR result = run();
    driver.join();
    return result;
}

// Escape as the keyboard gives it, then a command: the dialog's end value
// tells whether Escape ended it first (messages are handled in order).
void EscapeThen(HWND dialog, int command) {
    HWND focus = GetDlgItem(dialog, IDYES);
    PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(focus, WM_KEYUP, VK_ESCAPE, 0);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
}

struct QuestionSeen {
    RECT place{};
    bool topmost = false;
    bool viewDetails = false;
    bool link = false;
    bool visited = false;
    std::wstring text;
    POINT minimum{};
    LRESULT notifyFormat = 0;
};

QuestionSeen Look(HWND dialog) {
    QuestionSeen seen;
    GetWindowRect(dialog, &seen.place);
    seen.topmost = (GetWindowLongPtrW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.viewDetails = gui::IsVisible(dialog, IDC_VIEW_DETAILS);
    seen.link = gui::IsVisible(dialog, IDC_RELEASE_NOTES_LINK);
    seen.text = gui::TextOf(dialog, IDC_HEADER_TEXT);
    return seen;
}

bool LinkVisited(HWND dialog) {
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_STATE;
    item.stateMask = LIS_VISITED;
    SendDlgItemMessageW(dialog, IDC_RELEASE_NOTES_LINK, LM_GETITEM, 0,
                        reinterpret_cast<LPARAM>(&item));
    return (item.state & LIS_VISITED) != 0;
}

// A creation whose Unicode functions fail as a missing template does (or
// without a system error); the narrow ones fail too when asked.
class FailingCreation : public DialogCreation {
  public:
    explicit FailingCreation(bool narrowFails, DWORD wideError = ERROR_RESOURCE_TYPE_NOT_FOUND)
        : narrowFails_(narrowFails), wideError_(wideError) {}
    INT_PTR BoxW(HINSTANCE, unsigned, HWND, DLGPROC, LPARAM) override {
        ++wideCalls;
        SetLastError(wideError_);
        return -1;
    }
    INT_PTR BoxA(HINSTANCE instance, unsigned id, HWND owner, DLGPROC proc, LPARAM param) override {
        ++narrowCalls;
        if (!narrowFails_)
            return DialogCreation::BoxA(instance, id, owner, proc, param);
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return -1;
    }
    int wideCalls = 0;
    int narrowCalls = 0;

  private:
    bool narrowFails_;
    DWORD wideError_;
};

INT_PTR CALLBACK ProgressLook(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextW(dialog, L"42% of setup.exe completed");
        SetDlgItemTextW(dialog, 1012, L"setup.exe from downloads.example.com");
        SetDlgItemTextW(dialog, 1014, L"C:\\Downloads\\setup.exe");
        SetDlgItemTextW(dialog, 1015, L"12 Sec ( 4.20 MB of 10.0 MB copied )");
        SetDlgItemTextW(dialog, 1016, L"512 KB/Sec");
        SendDlgItemMessageW(dialog, 1013, PBM_SETRANGE32, 0, 100);
        SendDlgItemMessageW(dialog, 1013, PBM_SETPOS, 42, 0);
        return TRUE;
    }
    if (message == WM_COMMAND) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

TEST(RenovoDialogsGui, QuestionRestartAndProgressDialogs) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    const platform::WString caption = platform::FromWide(kCaption.c_str());
    SetCursorPos(0, 0);
    // Question 140 as the update flow asks it.
    const auto ask140 = [&] {
        return AskQuestion(instance, nullptr, kQuestion, caption, IDI_QUESTION, IDD_QUESTION);
    };

    // 140: near the cursor in the corner, inside the 5 pixel margin, topmost,
    // with "&View details", which ends it with 8; Escape ends it with 2.
    QuestionSeen seen140;
    EXPECT_EQ(RunDriven(ask140,
                        [&] {
                            HWND dialog = gui::WaitForWindow(kCaption, IDC_HEADER_TEXT);
                            if (dialog == nullptr)
                                return false;
                            seen140 = Look(dialog);
                            MINMAXINFO limits{};
                            SendMessageW(dialog, WM_GETMINMAXINFO, 0,
                                         reinterpret_cast<LPARAM>(&limits));
                            seen140.minimum = limits.ptMinTrackSize;
                            seen140.notifyFormat = SendMessageW(
                                dialog, WM_NOTIFYFORMAT,
                                reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDYES)), NF_QUERY);
                            EXPECT_TRUE(gui::SaveScreenshot(dialog, "140-question"));
                            gui::Click(dialog, IDC_VIEW_DETAILS);
                            return gui::WaitGone(dialog);
                        }),
              IDC_VIEW_DETAILS);
    EXPECT_GE(seen140.place.left, 5);
    EXPECT_GE(seen140.place.top, 5);
    EXPECT_TRUE(seen140.topmost);
    EXPECT_TRUE(seen140.viewDetails);
    EXPECT_FALSE(seen140.link);
    EXPECT_EQ(seen140.text, platform::Wide(platform::WString(kQuestion)));
    // The initial size is the smallest the user can make it; notifications
    // come in Unicode.
    EXPECT_EQ(seen140.minimum.x, seen140.place.right - seen140.place.left);
    EXPECT_EQ(seen140.minimum.y, seen140.place.bottom - seen140.place.top);
    EXPECT_EQ(seen140.notifyFormat, NFR_UNICODE);
    EXPECT_EQ(RunDriven(ask140,
                        [&] {
                            HWND dialog = gui::WaitForWindow(kCaption, IDC_HEADER_TEXT);
                            if (dialog == nullptr)
                                return false;
                            EscapeThen(dialog, IDYES);
                            return gui::WaitGone(dialog);
                        }),
              IDCANCEL);

    // 141: no "&View details"; the link opens the release notes address and
    // is marked visited; "&No" ends it with 7.
    QuestionSeen seen141;
    platform::WString opened;
    cMBTextDlg question141(kQuestion, caption, IDI_QUESTION, IDD_QUESTION_LINK,
                           u"https://downloads.example.com/notes.html");
    question141.SetLinkOpener([&](HWND, platform::WStringView address) {
        opened = platform::WString(address);
        return true;
    });
    EXPECT_EQ(RunDriven([&] { return question141.RunModal(instance, nullptr); },
                        [&] {
                            HWND dialog = gui::WaitForWindow(kCaption, IDC_RELEASE_NOTES_LINK);
                            if (dialog == nullptr)
                                return false;
                            seen141 = Look(dialog);
                            EXPECT_TRUE(gui::SaveScreenshot(dialog, "141-question-link"));
                            NMLINK click{};
                            click.hdr.hwndFrom = GetDlgItem(dialog, IDC_RELEASE_NOTES_LINK);
                            click.hdr.idFrom = IDC_RELEASE_NOTES_LINK;
                            click.hdr.code = NM_CLICK;
                            SendMessageW(dialog, WM_NOTIFY, IDC_RELEASE_NOTES_LINK,
                                         reinterpret_cast<LPARAM>(&click));
                            seen141.visited = LinkVisited(dialog);
                            gui::Click(dialog, IDNO);
                            return gui::WaitGone(dialog);
                        }),
              IDNO);
    EXPECT_GE(seen141.place.left, 5);
    EXPECT_GE(seen141.place.top, 5);
    EXPECT_FALSE(seen141.viewDetails);
    EXPECT_TRUE(seen141.link);
    EXPECT_EQ(opened, u"https://downloads.example.com/notes.html");
    EXPECT_TRUE(seen141.visited);

    // 139: the product in the text, the title as caption; Escape and the close
    // box leave it open, so "&Later" (posted after them) ends it with 7.
    Win32RestartQuestion restart(instance);
    std::wstring restartText, restartHeader;
    bool openAfterClose = false;
    EXPECT_EQ(RunDriven([&] { return restart.Ask(nullptr, caption, u"Quelix Omnisweep"); },
                        [&] {
                            HWND dialog = gui::WaitForWindow(kCaption, IDC_RESTART_TEXT);
                            if (dialog == nullptr)
                                return false;
                            restartText = gui::TextOf(dialog, IDC_RESTART_TEXT);
                            restartHeader = gui::TextOf(dialog, IDC_HEADER_TEXT);
                            EXPECT_TRUE(gui::SaveScreenshot(dialog, "139-restart"));
                            SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                            openAfterClose = IsWindowVisible(dialog) != FALSE;
                            EscapeThen(dialog, IDNO);
                            return gui::WaitGone(dialog);
                        }),
              kRestartLater);
    EXPECT_EQ(restartText,
              L"Quelix Omnisweep has been updated successfully.\n"
              L"The updated modules will start working after reboot.");
    EXPECT_EQ(restartHeader, L"Restart now?");
    EXPECT_TRUE(openAfterClose);

    // The Unicode creation fails, with a system error or without one: the
    // narrow-text creation runs the same dialog.
    for (const DWORD wideError : {DWORD{ERROR_RESOURCE_TYPE_NOT_FOUND}, DWORD{0}}) {
        SCOPED_TRACE(wideError);
        FailingCreation retry(false, wideError);
        SetDialogCreation(&retry);
        EXPECT_EQ(RunDriven(ask140,
                            [&] {
                                HWND dialog = gui::WaitForWindow(kCaption, IDC_HEADER_TEXT);
                                if (dialog == nullptr)
                                    return false;
                                gui::Click(dialog, IDYES);
                                return gui::WaitGone(dialog);
                            }),
                  IDYES);
        EXPECT_EQ(retry.wideCalls, 1);
        EXPECT_EQ(retry.narrowCalls, 1);
    }
    // Both fail: the system's text for the error under "Errror in creating
    // dialog!", and -1.
    FailingCreation failing(true);
    SetDialogCreation(&failing);
    std::wstring errorText;
    EXPECT_EQ(RunDriven(ask140,
                        [&] {
                            HWND box = gui::WaitForWindow(kDialogCreationErrorCaption, 0);
                            if (box == nullptr)
                                return false;
                            errorText = gui::TextOf(box, 0xFFFF);
                            PostMessageW(box, WM_COMMAND, IDOK, 0);
                            return gui::WaitGone(box);
                        }),
              -1);
    // A restart question that cannot be created restarts nothing.
    EXPECT_EQ(RunDriven([&] { return restart.Ask(nullptr, caption, u"Quelix Omnisweep"); },
                        [&] {
                            HWND box = gui::WaitForWindow(kDialogCreationErrorCaption, 0);
                            if (box == nullptr)
                                return false;
                            PostMessageW(box, WM_COMMAND, IDOK, 0);
                            return gui::WaitGone(box);
                        }),
              kRestartLater);
    // A download whose progress dialog cannot be created shows the same
    // message, fetches nothing and ends as a worker that never started.
    qo::test::ScratchFolder folder;
    EXPECT_EQ(RunDriven(
                  [&] {
                      return DownloadWithDialog(instance, nullptr,
                                                DownloadSite{SiteKind::Http, "127.0.0.1", {}, 1},
                                                "setup.exe", folder / u"setup.exe", StringTable{});
                  },
                  [&] {
                      HWND box = gui::WaitForWindow(kDialogCreationErrorCaption, 0);
                      if (box == nullptr)
                          return false;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                      return gui::WaitGone(box);
                  }),
              kWorkerNotStarted);
    EXPECT_FALSE(platform::PathExists(folder / u"setup.exe"));
    SetDialogCreation(nullptr);
    EXPECT_EQ(failing.narrowCalls, 3);
    EXPECT_EQ(errorText, platform::Wide(SystemErrorText(ERROR_RESOURCE_TYPE_NOT_FOUND)));
    EXPECT_FALSE(errorText.empty());

    // The download progress dialog's look (its behaviour is the download
    // tests' business).
    EXPECT_EQ(RunDriven(
                  [&] {
                      return DialogBoxParamW(instance, MAKEINTRESOURCEW(kProgressDialogId), nullptr,
                                             ProgressLook, 0);
                  },
                  [&] {
                      HWND dialog = gui::WaitForWindow(L"42% of setup.exe completed", 1013);
                      if (dialog == nullptr)
                          return false;
                      EXPECT_TRUE(gui::SaveScreenshot(dialog, "134-progress"));
                      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                      return gui::WaitGone(dialog);
                  }),
              0);
}

// cDlgBase hands a command to the handler registered for its control, and
// ends the dialog with the control's id for a click nobody handles; a page
// (cDlgPage) never ends itself.
TEST(RenovoDialogsGui, CommandsGoToTheirHandlersAndClicksEndOnlyDialogs) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    cDlgBase dialog(IDD_QUESTION);
    int handled = 0;
    dialog.OnControl(IDNO, [&](int code) { handled += code == BN_CLICKED ? 1 : 100; });
    bool openAfterHandled = false;
    EXPECT_EQ(RunDriven([&] { return dialog.RunModal(instance, nullptr); },
                        [&] {
                            HWND window = gui::WaitForWindow(kCaption, IDC_HEADER_TEXT);
                            if (window == nullptr)
                                return false;
                            SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
                            openAfterHandled = IsWindowVisible(window) != FALSE;
                            gui::Click(window, IDC_VIEW_DETAILS);
                            return gui::WaitGone(window);
                        }),
              IDC_VIEW_DETAILS);
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(openAfterHandled);

    cDlg frame(IDD_QUESTION);
    cDlgPage page(IDD_QUESTION_LINK);
    HWND pageWindow = page.Create(instance, frame);
    ASSERT_NE(pageWindow, nullptr);
    EXPECT_EQ(page.Frame(), &frame);
    SendMessageW(pageWindow, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    SendMessageW(pageWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(pageWindow));
}

// With the German language from the real language library, each dialog is
// translated when it opens, before its own texts go in: the restart text's
// translated pattern takes the product name, and the link is still a link.
TEST(RenovoDialogsGui, DialogsAreTranslatedBeforeTheirTextsAreFilledIn) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    qo::test::ScratchFolder folder(u"qo-renovo-gui");
    cLangFile lang;
    ASSERT_TRUE(testing::StartGerman(lang, folder));
    const platform::WString caption = platform::FromWide(kCaption.c_str());

    std::wstring text, header, later;
    Win32RestartQuestion restart(instance);
    EXPECT_EQ(RunDriven([&] { return restart.Ask(nullptr, caption, u"Quelix Omnisweep"); },
                        [&] {
                            HWND dialog = gui::WaitForWindow(kCaption, IDC_RESTART_TEXT);
                            if (dialog == nullptr)
                                return false;
                            text = gui::TextOf(dialog, IDC_RESTART_TEXT);
                            header = gui::TextOf(dialog, IDC_HEADER_TEXT);
                            later = gui::TextOf(dialog, IDNO);
                            gui::Click(dialog, IDNO);
                            return gui::WaitGone(dialog);
                        }),
              kRestartLater);
    EXPECT_EQ(text,
              L"Quelix Omnisweep wurde erfolgreich aktualisiert.\n"
              L"Die aktualisierten Module werden nach einem Neustart wirksam.");
    EXPECT_EQ(header, L"Jetzt neu starten?");
    EXPECT_EQ(later, L"&Sp\u00e4ter");

    std::wstring link, yes;
    EXPECT_EQ(RunDriven(
                  [&] {
                      return AskQuestion(instance, nullptr, kQuestion, caption, IDI_QUESTION,
                                         IDD_QUESTION_LINK, u"about:blank");
                  },
                  [&] {
                      HWND dialog = gui::WaitForWindow(kCaption, IDC_RELEASE_NOTES_LINK);
                      if (dialog == nullptr)
                          return false;
                      link = gui::TextOf(dialog, IDC_RELEASE_NOTES_LINK);
                      yes = gui::TextOf(dialog, IDYES);
                      gui::Click(dialog, IDYES);
                      return gui::WaitGone(dialog);
                  }),
              IDYES);
    EXPECT_EQ(link, L"<a>Neuerungen in dieser Version</a>");
    EXPECT_EQ(yes, L"&Ja");
    lang.LoadLanguage(u"");
}

}  // namespace
}  // namespace updater
