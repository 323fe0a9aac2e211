// The wizard's real dialogs under a driver that plays the user: each page with
// prepared settings, then the whole sequence with its Back paths. Every page
// is saved as a screenshot (screens/<template>-<name>.png).
#include <windows.h>

#include <commctrl.h>
#include <dbt.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "gui_driver.h"
#include "page_dialogs.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "progress_dialog.h"
#include "qo_version.h"
#include "resource.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/wait.h"
#include "wizard/app/pages/testing/fake_builders.h"
#include "wizard/app/pages/testing/fake_disks.h"
#include "wizard/media/build_messages.h"
#include "wizard_app.h"

namespace wizard {
bool DeleteSettingsKeyForTest();  // wizard/settings/win32/delete_settings_key.cpp
namespace {

using namespace std::chrono_literals;
using pages::PageResult;
using pages::testing::FakeBuilders;
using pages::testing::FakeDisks;
using platform::Wide;
using platform::WString;

const std::wstring kCaption = L"" QO_PRODUCT_NAME;

// Runs `ui` (a modal page) on this thread while `script` plays the user on a
// second one; a script that fails closes whatever is left open.
template <class Ui, class Script>
auto Drive(Ui ui, Script script) {
    std::thread driver([&] {
        if (!script())
            ADD_FAILURE() << "the driver did not get through its script";
        std::this_thread::sleep_for(200ms);
        gui::CloseEverything();
    });
    auto result = ui();
    driver.join();
    return result;
}

class PassingShare : public pages::ShareTester {
  public:
    pages::ShareCheckResult Test(pages::PageView&, const pages::ShareCheckInput& input,
                                 bool) override {
        tested = input.share;
        testedUser = input.user;
        return {true, true};
    }
    WString tested, testedUser;
};

class WizardGui : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DeleteSettingsKeyForTest());
        instance_ = GetModuleHandleW(nullptr);
        SettingsEnvironment env;
        const std::wstring source = gui::WinePath("QO_SOURCE_DIR", ".");
        env.SchemesFolder = WString(source.begin(), source.end()) + u"\\payload\\schemes";
        env.DocumentsFolder = scratch_.Path();
        env.ProgramFolder = scratch_.Path();
        settings_ = std::make_unique<WizardSettings>(env);
        settings_->LoadSettings();
        ASSERT_GE(settings_->Schemes.size(), 3u);
    }
    void TearDown() override { DeleteSettingsKeyForTest(); }
    WString Scratch(const char16_t* name) const { return scratch_ / name; }

    HINSTANCE instance_{};
    qo::test::ScratchFolder scratch_{u"qo-gui"};
    std::unique_ptr<WizardSettings> settings_;
};

// Waits for the page that has `probe`, saves it, runs `act` on it and waits
// until it is gone.
template <class Act>
bool OnPage(int probe, const char* screenshot, Act act) {
    HWND w = gui::WaitForWindow(kCaption, probe);
    if (!w) {
        ADD_FAILURE() << "page with control " << probe << " did not open";
        return false;
    }
    if (screenshot) {
        EXPECT_TRUE(gui::SaveScreenshot(w, screenshot));
    }
    act(w);
    return gui::WaitGone(w);
}

// The string table shows the builders' messages with the builders' texts;
// the question before overwriting a drive is asked by its text alone.
TEST(WizardResources, TheStringTableHoldsTheBuildMessages) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const BuildMessage& message : BuildMessages()) {
        SCOPED_TRACE(message.stringId);
        const wchar_t* text = nullptr;
        const int length = LoadStringW(instance, static_cast<UINT>(message.stringId),
                                       reinterpret_cast<LPWSTR>(&text), 0);
        if (message.stringId == kMsgConfirmOverwrite) {
            EXPECT_EQ(length, 0);
            continue;
        }
        ASSERT_GT(length, 0);
        EXPECT_EQ(std::wstring(text, static_cast<size_t>(length)),
                  std::wstring(Wide(WString(message.text))));
    }
}

TEST_F(WizardGui, StartPageChoosesTheMediumAndOpensTheAboutBox) {
    win32::CWizardStartDlg page(instance_, *settings_, pages::SystemVersion{10, 0});
    settings_->ChooseUsb = 1;
    PageResult result =
        Drive([&] { return page.DoModal(); },
              [&] {
                  HWND w = gui::WaitForWindow(kCaption, IDC_START_WELCOME);
                  if (!w)
                      return false;
                  EXPECT_EQ(gui::TextOf(w, IDC_START_WELCOME), L"Welcome to Quelix Omnisweep");
                  EXPECT_TRUE(gui::IsVisible(w, IDC_START_USB));
                  EXPECT_FALSE(gui::IsVisible(w, IDC_START_USB_PLAIN));
                  EXPECT_TRUE(gui::SaveScreenshot(w, "102-start"));
                  // The system menu's About item.
                  PostMessageW(w, WM_SYSCOMMAND, IDM_ABOUT, 0);
                  HWND about = gui::WaitForWindow(L"About Quelix Omnisweep Wizard",
                                                  IDC_ABOUT_VERSION, 10s, true);
                  if (!about)
                      return false;
                  // This test program carries no version resource.
                  EXPECT_EQ(gui::TextOf(about, IDC_ABOUT_VERSION), L"Version 3.50");
                  EXPECT_TRUE(gui::SaveScreenshot(about, "154-about"));
                  gui::Click(about, IDOK);
                  gui::WaitGone(about);
                  gui::Click(w, IDC_START_ISO);
                  return gui::WaitGone(w);
              });
    EXPECT_EQ(result, PageResult::IsoChosen);
    EXPECT_EQ(settings_->ChooseUsb, 0);

    // Windows XP shows the plain buttons; Esc is Cancel.
    win32::CWizardStartDlg old(instance_, *settings_, pages::SystemVersion{5, 1});
    result = Drive([&] { return old.DoModal(); },
                   [&] {
                       HWND w = gui::WaitForWindow(kCaption, IDC_START_WELCOME);
                       if (!w)
                           return false;
                       EXPECT_TRUE(gui::IsVisible(w, IDC_START_USB_PLAIN));
                       EXPECT_FALSE(gui::IsVisible(w, IDC_START_ISO));
                       EXPECT_TRUE(gui::SaveScreenshot(w, "102-start-plain-buttons"));
                       PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
                       return gui::WaitGone(w);
                   });
    EXPECT_EQ(result, PageResult::Cancel);
}

TEST_F(WizardGui, UsbPageFollowsDevicesAndKeepsTheUsersDrive) {
    FakeDisks disks;
    disks.Add(FakeDisks::Disk(u"\\\\?\\Volume{b}", u"BACKUP", 5, 1));
    win32::CSelectUsbDiskDlg page(instance_, *settings_, disks);
    settings_->SelectedUsbDisk = 0;
    const PageResult result = Drive(
        [&] { return page.DoModal(); },
        [&] {
            HWND w = gui::WaitForWindow(kCaption, IDC_USB_LIST);
            if (!w)
                return false;
            EXPECT_EQ(gui::ListCount(w, IDC_USB_LIST), 1);
            EXPECT_EQ(gui::ListText(w, IDC_USB_LIST, 0, 0), L"BACKUP (F:)");
            EXPECT_EQ(gui::ListText(w, IDC_USB_LIST, 0, 4), L"Format required");
            EXPECT_TRUE(gui::IsEnabled(w, IDC_NEXT));
            // A stick arrives: the system's report refills the list by itself,
            // and the user's drive stays selected although its row moved.
            disks.Add(FakeDisks::Disk(u"\\\\?\\Volume{a}", u"QUELIX", 4));
            DEV_BROADCAST_VOLUME volume{};
            volume.dbcv_size = sizeof(volume);
            volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
            volume.dbcv_unitmask = 1 << 4;
            SendMessageW(w, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
            EXPECT_EQ(gui::ListCount(w, IDC_USB_LIST), 2);
            EXPECT_EQ(gui::ListText(w, IDC_USB_LIST, 0, 0), L"QUELIX (E:)");
            EXPECT_EQ(gui::ListText(w, IDC_USB_LIST, 0, 4), L"Ready");
            EXPECT_TRUE(gui::SaveScreenshot(w, "131-usb-drives"));
            gui::SelectListRow(w, IDC_USB_LIST, 0);
            gui::Click(w, IDC_NEXT);
            return gui::WaitGone(w);
        });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->SelectedUsbDisk, 0);
    EXPECT_EQ(settings_->UsbDisks[0].VolumeLabel, u"QUELIX");

    // Without any drive, Next stays disabled until one arrives.
    FakeDisks none;
    win32::CSelectUsbDiskDlg empty(instance_, *settings_, none);
    Drive([&] { return empty.DoModal(); },
          [&] {
              HWND w = gui::WaitForWindow(kCaption, IDC_USB_LIST);
              if (!w)
                  return false;
              EXPECT_FALSE(gui::IsEnabled(w, IDC_NEXT));
              EXPECT_TRUE(gui::SaveScreenshot(w, "131-usb-no-drive"));
              gui::Click(w, IDC_CANCEL);
              return gui::WaitGone(w);
          });
}

TEST_F(WizardGui, IsoPathPageCompletesTheNameAndLeavesNoFile) {
    settings_->IsoPath.reset();
    win32::CIsoImagePathDlg page(instance_, *settings_);
    const WString typed = Scratch(u"medium");
    const PageResult result = Drive(
        [&] { return page.DoModal(); },
        [&] {
            HWND w = gui::WaitForWindow(kCaption, IDC_ISO_PATH);
            if (!w)
                return false;
            EXPECT_EQ(gui::TextOf(w, IDC_ISO_PATH), L"");
            EXPECT_TRUE(gui::SaveScreenshot(w, "142-iso-path-cue-banner"));
            gui::Click(w, IDC_NEXT);
            gui::MessageBoxSeen box = gui::WaitForMessageBox();
            EXPECT_EQ(box.text, L"Please enter path and file name for ISO image of bootable disk.");
            gui::Answer(box, IDOK);
            gui::Type(w, IDC_ISO_PATH, Wide(Scratch(u"no-such-folder\\x.iso")));
            gui::Click(w, IDC_NEXT);
            box = gui::WaitForMessageBox();
            EXPECT_EQ(box.text, L"Error in creating or opening file.");
            gui::Answer(box, IDOK);
            // Browse: the open-file dialog; the chosen name is completed and checked.
            gui::Click(w, IDC_ISO_BROWSE);
            HWND browse = gui::WaitForWindow(
                L"Browse folder and enter file name for ISO image file", 0, 10s, true);
            EXPECT_TRUE(browse);
            if (browse) {
                HWND name = GetDlgItem(browse, 0x47C);  // the file name box
                if (!name)
                    name = GetDlgItem(browse, 0x480);
                SendMessageW(name, WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(Wide(Scratch(u"browsed"))));
                PostMessageW(browse, WM_COMMAND, IDOK, 0);
                gui::WaitGone(browse);
                const std::wstring browsed = Wide(Scratch(u"browsed.iso"));
                EXPECT_TRUE(
                    qo::test::WaitUntil([&] { return gui::TextOf(w, IDC_ISO_PATH) == browsed; }));
                EXPECT_EQ(gui::TextOf(w, IDC_ISO_PATH), browsed);
                EXPECT_FALSE(platform::PathExists(Scratch(u"browsed.iso")));
            }
            gui::Type(w, IDC_ISO_PATH, Wide(typed));
            EXPECT_TRUE(gui::SaveScreenshot(w, "142-iso-path"));
            gui::Click(w, IDC_NEXT);
            return gui::WaitGone(w);
        });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->IsoPath, typed + u".iso");
    EXPECT_FALSE(platform::PathExists(typed + u".iso"));
}

TEST_F(WizardGui, WorkModePageStoresTheChoice) {
    settings_->AutoStart = 1;
    settings_->UseDefaultSetings = 1;
    win32::CWorkmodeDlg mode(instance_, *settings_);
    PageResult result = Drive([&] { return mode.DoModal(); },
                              [&] {
                                  HWND w = gui::WaitForWindow(kCaption, IDC_MODE_TITLE);
                                  if (!w)
                                      return false;
                                  EXPECT_TRUE(gui::IsChecked(w, IDC_MODE_AUTOMATIC));
                                  gui::Click(w, IDC_MODE_MANUAL);
                                  gui::Click(w, IDC_MODE_CHANGE_DEFAULTS);
                                  EXPECT_TRUE(gui::IsChecked(w, IDC_MODE_MANUAL));
                                  EXPECT_FALSE(gui::IsChecked(w, IDC_MODE_AUTOMATIC));
                                  EXPECT_TRUE(gui::SaveScreenshot(w, "133-workmode"));
                                  gui::Click(w, IDC_NEXT);
                                  return gui::WaitGone(w);
                              });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->AutoStart, 0);
    EXPECT_EQ(settings_->UseDefaultSetings, 0);
}

// Reached from a manual work mode that changes the defaults.
TEST_F(WizardGui, WipeSettingsPageStoresTheSchemesAndOptions) {
    settings_->AutoStart = 0;
    settings_->UseDefaultSetings = 0;
    win32::CWipeSettingsDlg wipe(instance_, *settings_);
    const int count = static_cast<int>(settings_->Schemes.size());
    const PageResult result =
        Drive([&] { return wipe.DoModal(); },
              [&] {
                  HWND w = gui::WaitForWindow(kCaption, IDC_WIPE_TITLE);
                  if (!w)
                      return false;
                  EXPECT_EQ(gui::ComboCount(w, IDC_WIPE_HDD_SCHEME), count);
                  EXPECT_EQ(gui::ComboCount(w, IDC_WIPE_REMOVABLE_SCHEME), count);
                  EXPECT_TRUE(gui::IsChecked(w, IDC_WIPE_ATA_ERASE));
                  gui::SelectComboRow(w, IDC_WIPE_SSD_SCHEME, count - 1);
                  gui::Click(w, IDC_WIPE_SSD_VERIFY);
                  gui::Click(w, IDC_WIPE_RESET_HPA);
                  EXPECT_TRUE(gui::SaveScreenshot(w, "138-wipe-settings"));
                  gui::Click(w, IDC_BACK);  // Back saves as well
                  return gui::WaitGone(w);
              });
    EXPECT_EQ(result, PageResult::Back);
    WizardSettings stored(settings_->Environment);
    stored.LoadSettings();
    EXPECT_EQ(stored.SchemeSsd, count - 1);
    EXPECT_EQ(stored.VerifySsd, 1);
    EXPECT_EQ(stored.ResetHPA, 1);
    EXPECT_EQ(stored.AtaErase, 1);
}

// A user name typed longer than the stored one stops at 63 characters in its
// box, and the account checked is the one stored.
TEST_F(WizardGui, LoggingPageEnablesTheShareAndChecksIt) {
    PassingShare share;
    win32::CLoggingDlg page(instance_, *settings_, share);
    const std::wstring user = L"CORP\\" + std::wstring(75, L'w');
    std::wstring userInBox;
    const PageResult result =
        Drive([&] { return page.DoModal(); },
              [&] {
                  HWND w = gui::WaitForWindow(kCaption, IDC_LOG_SHARE);
                  if (!w)
                      return false;
                  EXPECT_TRUE(gui::IsChecked(w, IDC_LOG_USB));
                  EXPECT_FALSE(gui::IsEnabled(w, IDC_LOG_SHARE));
                  EXPECT_FALSE(gui::IsEnabled(w, IDC_LOG_CHECK));
                  EXPECT_TRUE(gui::SaveScreenshot(w, "135-logging"));
                  gui::Click(w, IDC_LOG_NET);
                  EXPECT_TRUE(gui::IsEnabled(w, IDC_LOG_SHARE));
                  EXPECT_TRUE(gui::IsEnabled(w, IDC_LOG_PASSWORD));
                  gui::Type(w, IDC_LOG_SHARE, L"\\\\fileserver\\wipelogs");
                  gui::TypeKeys(w, IDC_LOG_USER, user);
                  userInBox = gui::TextOf(w, IDC_LOG_USER);
                  gui::Type(w, IDC_LOG_PASSWORD, L"secret");
                  EXPECT_TRUE(gui::SaveScreenshot(w, "135-logging-share"));
                  gui::Click(w, IDC_LOG_CHECK);
                  gui::MessageBoxSeen box = gui::WaitForMessageBox();
                  EXPECT_EQ(box.text, L"Test of write-access to the folder successfully passed.");
                  gui::Answer(box, IDOK);
                  gui::Click(w, IDC_NEXT);  // passed in this visit: no question
                  return gui::WaitGone(w);
              });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(share.tested, u"\\\\fileserver\\wipelogs");
    EXPECT_EQ(settings_->NetLog, 1);
    EXPECT_EQ(userInBox, user.substr(0, 63));
    EXPECT_EQ(Wide(share.testedUser), userInBox);
    EXPECT_EQ(Wide(settings_->NetUser), userInBox);
    EXPECT_EQ(settings_->NetPassword, u"secret");
}

TEST_F(WizardGui, SummaryPageOfAnIsoImage) {
    settings_->ChooseUsb = 0;
    settings_->IsoPath = Scratch(u"quelixcd.iso");
    settings_->LockPreset = 1;
    settings_->IsoShowFolder = 1;
    win32::CSummaryIsoDlg summary(instance_, *settings_);
    const PageResult result =
        Drive([&] { return summary.DoModal(); },
              [&] {
                  return OnPage(IDC_SUM_OPEN_FOLDER, "144-summary-iso", [&](HWND w) {
                      EXPECT_EQ(gui::TextOf(w, IDC_SUM_TARGET), Wide(*settings_->IsoPath));
                      EXPECT_TRUE(gui::IsVisible(w, IDC_SUM_LOCK));
                      EXPECT_FALSE(gui::IsVisible(w, IDC_HELP_BUTTON));
                      EXPECT_TRUE(gui::IsChecked(w, IDC_SUM_OPEN_FOLDER));
                      gui::Click(w, IDC_SUM_OPEN_FOLDER);
                      gui::Click(w, IDC_NEXT);
                  });
              });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->IsoShowFolder, 0);
}

// The USB summary: the chosen drive, manual mode with own settings, the share
// in the logging text, no lock line; Back returns.
TEST_F(WizardGui, SummaryPageOfAUsbDrive) {
    settings_->ChooseUsb = 1;
    UsbDiskInfo disk;
    disk.VolumeLabel = u"QUELIX";
    disk.DriveLetterIndex = 4;
    disk.CapacityText = u"7.45 GB";
    settings_->UsbDisks = {disk};
    settings_->SelectedUsbDisk = 0;
    settings_->AutoStart = 0;
    settings_->UseDefaultSetings = 0;
    settings_->LockPreset = 0;
    settings_->NetLog = 1;
    settings_->NetShare = u"\\\\fileserver\\wipelogs";
    settings_->NetUser = u"wiper";
    settings_->VerifySsd = 1;
    win32::CSummaryDlg summary(instance_, *settings_);
    const PageResult result =
        Drive([&] { return summary.DoModal(); },
              [&] {
                  return OnPage(IDC_SUM_SCHEMES, "140-summary-usb", [](HWND w) {
                      EXPECT_EQ(gui::TextOf(w, IDC_SUM_TARGET), L"QUELIX (E:) - 7.45 GB");
                      EXPECT_EQ(gui::TextOf(w, IDC_SUM_MODE),
                                L"Manual mode, with the following settings by default:");
                      EXPECT_FALSE(gui::IsVisible(w, IDC_SUM_LOCK));
                      gui::Click(w, IDC_BACK);
                  });
              });
    EXPECT_EQ(result, PageResult::Back);
}

TEST_F(WizardGui, ProgressPageShowsTheStepAndCancelEndsALongBuild) {
    settings_->ChooseUsb = 0;
    FakeBuilders builders;
    builders.hang = true;
    win32::CProgressDlg progress(instance_, *settings_, builders, 10ms);
    std::chrono::steady_clock::duration cancelTook{};
    const PageResult result =
        Drive([&] { return progress.DoModal(); },
              [&] {
                  return OnPage(IDC_PROGRESS_BAR, nullptr, [&](HWND w) {
                      EXPECT_TRUE(qo::test::WaitUntil([&] {
                          return gui::TextOf(w, IDC_PROGRESS_STEP) == L"Copying boot files...";
                      }));
                      EXPECT_EQ(SendDlgItemMessageW(w, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0), 30);
                      EXPECT_TRUE(gui::SaveScreenshot(w, "146-progress"));
                      const auto start = std::chrono::steady_clock::now();
                      gui::Click(w, IDC_CANCEL);
                      gui::WaitGone(w);
                      cancelTook = std::chrono::steady_clock::now() - start;
                  });
              });
    EXPECT_EQ(result, PageResult::Cancel);
    EXPECT_EQ(settings_->BuildResult, 1);
    EXPECT_LT(cancelTook, 5s);
}

// A failing build shows the builder's message on the page, then the page
// closes by itself with the failure.
TEST_F(WizardGui, ProgressPageShowsAFailedBuildsMessageAndEnds) {
    settings_->ChooseUsb = 0;
    FakeBuilders failing;
    failing.fail = true;
    win32::CProgressDlg failed(instance_, *settings_, failing, 10ms);
    const PageResult result =
        Drive([&] { return failed.DoModal(); },
              [&] {
                  gui::MessageBoxSeen box = gui::WaitForMessageBox();
                  EXPECT_EQ(box.text, L"Error in creating ISO image file: MKISOFS utility failed.");
                  if (box.window) {
                      EXPECT_TRUE(gui::SaveScreenshot(box.window, "146-progress-error"));
                  }
                  gui::Answer(box, IDOK);
                  return box.window != nullptr;
              });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->BuildResult, 2);
}

TEST_F(WizardGui, FinishPageNamesEachOutcome) {
    settings_->ChooseUsb = 0;
    struct Outcome {
        int result;
        const wchar_t* text;
        const char* name;
    };
    for (const Outcome& o :
         {Outcome{0, L"Created successfully", "152-finish-created"},
          Outcome{1, L"The Wizard has been canceled", "152-finish-canceled"},
          Outcome{2, L"The Wizard failed in creating bootable disk", "152-finish-failed"}}) {
        settings_->BuildResult = o.result;
        win32::CFinishDlg finish(instance_, *settings_);
        const PageResult result =
            Drive([&] { return finish.DoModal(); },
                  [&] {
                      return OnPage(IDC_FINISH_OUTCOME, o.name, [&](HWND w) {
                          EXPECT_EQ(gui::TextOf(w, IDC_FINISH_OUTCOME), o.text);
                          EXPECT_EQ(gui::TextOf(w, IDC_MEDIUM_TITLE),
                                    L"ISO image file with Quelix Omnisweep Utility");
                          gui::Click(w, IDC_NEXT);
                      });
                  });
        EXPECT_EQ(result, PageResult::Next);
    }
}

// A builder's message box is shown by the interface thread (the thread that
// runs the page), never by the worker; Cancel pressed while such a box is open
// closes it and still ends the page within 4 s.
TEST_F(WizardGui, ProgressPageShowsBuilderMessagesOnTheInterfaceThread) {
    settings_->ChooseUsb = 0;
    const DWORD interfaceThread = GetCurrentThreadId();
    FakeBuilders failing;
    failing.fail = true;
    win32::CProgressDlg failed(instance_, *settings_, failing, 10ms);
    PageResult result =
        Drive([&] { return failed.DoModal(); },
              [&] {
                  gui::MessageBoxSeen box = gui::WaitForMessageBox();
                  if (!box.window)
                      return false;
                  EXPECT_EQ(GetWindowThreadProcessId(box.window, nullptr), interfaceThread);
                  gui::Answer(box, IDOK);
                  return true;
              });
    EXPECT_EQ(result, PageResult::Next);
    EXPECT_EQ(settings_->BuildResult, 2);

    FakeBuilders stillFailing;
    stillFailing.fail = true;
    win32::CProgressDlg cancelled(instance_, *settings_, stillFailing, 10ms);
    std::chrono::steady_clock::duration cancelTook{};
    result = Drive([&] { return cancelled.DoModal(); },
                   [&] {
                       gui::MessageBoxSeen box = gui::WaitForMessageBox();
                       HWND page = gui::WaitForWindow(kCaption, IDC_PROGRESS_BAR);
                       if (!box.window || !page)
                           return false;
                       const auto start = std::chrono::steady_clock::now();
                       // The page is disabled under the box: the click arrives as its command.
                       DWORD_PTR ignored = 0;
                       SendMessageTimeoutW(page, WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED),
                                           reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CANCEL)),
                                           SMTO_NORMAL, 1000, &ignored);
                       const bool gone = gui::WaitGone(page) && gui::WaitGone(box.window);
                       cancelTook = std::chrono::steady_clock::now() - start;
                       return gone;
                   });
    EXPECT_EQ(result, PageResult::Cancel);
    EXPECT_EQ(settings_->BuildResult, 1);
    EXPECT_LT(cancelTook, 4s);
}

// The format question of a USB build is a Yes/No box of the interface
// thread; its answer decides the build.
TEST_F(WizardGui, ProgressPageAsksTheBuildersQuestion) {
    settings_->ChooseUsb = 1;
    for (int button : {IDYES, IDNO}) {
        FakeBuilders asking;
        asking.ask = true;
        win32::CProgressDlg page(instance_, *settings_, asking, 10ms);
        const PageResult result =
            Drive([&] { return page.DoModal(); },
                  [&] {
                      gui::MessageBoxSeen box = gui::WaitForMessageBox();
                      if (!box.window)
                          return false;
                      EXPECT_EQ(box.text, L"Are you sure you want to overwrite?");
                      EXPECT_TRUE(GetDlgItem(box.window, IDYES) && GetDlgItem(box.window, IDNO));
                      gui::Answer(box, button);
                      return true;
                  });
        EXPECT_EQ(result, PageResult::Next);
        EXPECT_EQ(settings_->BuildResult, button == IDYES ? 0 : 2);
    }
}

TEST_F(WizardGui, TheWholeSequenceWithItsBackPaths) {
    FakeDisks disks;
    disks.Add(FakeDisks::Disk(u"\\\\?\\Volume{s}", u"STICK", 6));
    PassingShare share;
    FakeBuilders builders;
    settings_->WindowX = settings_->WindowY = 0;
    settings_->UseDefaultSetings = 1;
    const WString iso = Scratch(u"sequence.iso");
    RECT usbPlace{};
    win32::WizardPageRunner runner(instance_, *settings_,
                                   win32::WizardServices{disks, share, builders, {10, 0}, 10ms});
    Drive(
        [&] {
            pages::RunPageSequence(runner, *settings_);
            return 0;
        },
        [&] {
            bool ok = OnPage(IDC_START_WELCOME, nullptr, [](HWND w) {
                SetWindowPos(w, nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                gui::Click(w, IDC_START_USB);
            });
            // The next page opens where the previous one was left.
            ok = ok && OnPage(IDC_USB_LIST, nullptr, [&](HWND w) {
                     GetWindowRect(w, &usbPlace);
                     gui::Click(w, IDC_BACK);
                 });
            ok = ok &&
                 OnPage(IDC_START_WELCOME, nullptr, [](HWND w) { gui::Click(w, IDC_START_ISO); });
            ok = ok && OnPage(IDC_ISO_PATH, nullptr, [&](HWND w) {
                     gui::Type(w, IDC_ISO_PATH, Wide(iso));
                     gui::Click(w, IDC_NEXT);
                 });
            ok = ok && OnPage(IDC_MODE_TITLE, nullptr, [](HWND w) {
                     gui::Click(w, IDC_MODE_CHANGE_DEFAULTS);  // on: the wipe settings page follows
                     gui::Click(w, IDC_NEXT);
                 });
            ok = ok && OnPage(IDC_WIPE_TITLE, nullptr, [](HWND w) { gui::Click(w, IDC_NEXT); });
            ok = ok && OnPage(IDC_LOG_SHARE, nullptr, [](HWND w) { gui::Click(w, IDC_BACK); });
            ok = ok && OnPage(IDC_WIPE_TITLE, nullptr, [](HWND w) { gui::Click(w, IDC_BACK); });
            ok = ok && OnPage(IDC_MODE_TITLE, nullptr, [](HWND w) {
                     gui::Click(w, IDC_MODE_CHANGE_DEFAULTS);  // off: straight to logging
                     gui::Click(w, IDC_NEXT);
                 });
            ok = ok && OnPage(IDC_LOG_SHARE, nullptr, [](HWND w) { gui::Click(w, IDC_NEXT); });
            ok =
                ok && OnPage(IDC_SUM_OPEN_FOLDER, nullptr, [](HWND w) { gui::Click(w, IDC_BACK); });
            ok = ok && OnPage(IDC_LOG_SHARE, nullptr, [](HWND w) { gui::Click(w, IDC_NEXT); });
            ok = ok && OnPage(IDC_SUM_OPEN_FOLDER, nullptr, [](HWND w) {
                     EXPECT_EQ(gui::TextOf(w, IDC_SUM_MODE),
                               L"Automatic mode with Korvane recommended settings");
                     EXPECT_EQ(gui::TextOf(w, IDC_SUM_LOGGING),
                               L"Write log file to removable USB\n");
                     gui::Click(w, IDC_NEXT);  // "&Create"
                 });
            // The progress page ends by itself once the (quick) build is done.
            ok = ok && OnPage(IDC_FINISH_OUTCOME, nullptr, [](HWND w) {
                     EXPECT_EQ(gui::TextOf(w, IDC_FINISH_OUTCOME), L"Created successfully");
                     gui::Click(w, IDC_NEXT);
                 });
            return ok;
        });
    EXPECT_EQ(usbPlace.left, 150);
    EXPECT_EQ(usbPlace.top, 120);
    EXPECT_EQ(builders.Runs(), 1);
    EXPECT_EQ(settings_->BuildResult, 0);
    EXPECT_EQ(settings_->ChooseUsb, 0);
    EXPECT_EQ(settings_->IsoPath, iso);
    EXPECT_EQ(settings_->UseDefaultSetings, 1);
    EXPECT_TRUE(pages::ShouldOpenIsoFolder(*settings_));
}

}  // namespace
}  // namespace wizard
