// The logging, summary and finish pages and the summary texts.
#include <gtest/gtest.h>

#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/finish_page.h"
#include "wizard/app/pages/logging_page.h"
#include "wizard/app/pages/summary_page.h"
#include "wizard/app/pages/summary_texts.h"
#include "wizard/app/pages/testing/fake_page_view.h"
#include "wizard/netshare/testing/fake_share_system.h"

namespace wizard::pages {
namespace {

using testing::FakePageView;
using testing::Utf8;

// A share test that records its calls and answers as told.
class FakeTester : public ShareTester {
  public:
    ShareCheckResult Test(PageView&, const ShareCheckInput& input, bool explicitCheck) override {
        calls.push_back({input, explicitCheck});
        return answer;
    }
    std::vector<std::pair<ShareCheckInput, bool>> calls;
    ShareCheckResult answer{true, true};
};

TEST(LoggingPage, StartsFromItsOwnStateAndChecksTheShareOnlyWhenAsked) {
    WizardSettings settings;
    settings.WriteLog = 0;  // stored values are not shown
    settings.NetLog = 1;
    settings.NetShare = u"\\\\stored\\share";
    FakeTester tester;
    LoggingPage page(settings, tester);
    FakePageView view;
    page.Open(view);
    EXPECT_TRUE(view.Checked(IDC_LOG_USB));
    EXPECT_FALSE(view.Checked(IDC_LOG_NET));
    EXPECT_FALSE(view.Checked(IDC_LOG_LOCK));
    EXPECT_TRUE(view.Text(IDC_LOG_SHARE).empty());
    for (int id : {IDC_LOG_SHARE, IDC_LOG_USER, IDC_LOG_PASSWORD, IDC_LOG_CHECK, IDC_LOG_USER_LABEL,
                   IDC_LOG_PASSWORD_LABEL, IDC_LOG_PASSWORD_NOTE})
        EXPECT_FALSE(view.Enabled(id)) << id;
    EXPECT_EQ(Utf8(view.cueBanners[IDC_LOG_SHARE]), "Enter path in form \"\\\\share\\path\"");
    EXPECT_EQ(Utf8(view.cueBanners[IDC_LOG_USER]), "Enter domain\\username or leave empty");
    EXPECT_EQ(Utf8(view.cueBanners[IDC_LOG_PASSWORD]), "Enter password or leave empty");
    EXPECT_EQ(
        view.textLimits,
        (std::map<int, size_t>{{IDC_LOG_SHARE, 259}, {IDC_LOG_USER, 63}, {IDC_LOG_PASSWORD, 127}}));

    // Back without the share: NetLog 0, no check.
    page.Command(view, IDC_BACK);
    EXPECT_EQ(view.closed, PageResult::Back);
    EXPECT_EQ(settings.NetLog, 0);
    EXPECT_EQ(settings.WriteLog, 1);
    EXPECT_TRUE(tester.calls.empty());

    // Tick the share: the controls come alive; Next asks first, No goes on untested.
    FakePageView v2;
    page.Open(v2);
    v2.Tick(IDC_LOG_NET, true);
    page.Command(v2, IDC_LOG_NET);
    EXPECT_TRUE(v2.Enabled(IDC_LOG_CHECK));
    EXPECT_TRUE(v2.Enabled(IDC_LOG_PASSWORD_NOTE));
    v2.SetText(IDC_LOG_SHARE, u"\\\\server\\logs");
    v2.SetText(IDC_LOG_USER, u"CORP\\wiper");
    v2.SetText(IDC_LOG_PASSWORD, WString(200, u'p'));
    v2.Tick(IDC_LOG_LOCK, true);
    page.Command(v2, IDC_NEXT);
    ASSERT_EQ(v2.messages.size(), 1u);
    EXPECT_EQ(Utf8(v2.messages[0].text).substr(0, 28), "Check the network share now?");
    EXPECT_EQ(v2.closed, PageResult::Next);
    EXPECT_TRUE(tester.calls.empty());
    EXPECT_EQ(settings.NetLog, 1);
    EXPECT_EQ(settings.LockPreset, 1);
    EXPECT_EQ(Utf8(settings.NetShare), "\\\\server\\logs");
    EXPECT_EQ(Utf8(settings.NetUser), "CORP\\wiper");
    EXPECT_EQ(settings.NetPassword.size(), 127u);

    // Returning shows what was entered in this run; Check passes once per visit.
    FakePageView v3;
    page.Open(v3);
    EXPECT_TRUE(v3.Checked(IDC_LOG_NET));
    EXPECT_EQ(Utf8(v3.Text(IDC_LOG_USER)), "CORP\\wiper");
    page.Command(v3, IDC_LOG_CHECK);
    ASSERT_EQ(tester.calls.size(), 1u);
    EXPECT_TRUE(tester.calls[0].second);
    EXPECT_EQ(Utf8(v3.LastMessage()), "Test of write-access to the folder successfully passed.");
    v3.SetText(IDC_LOG_SHARE, u"\\\\other\\share");  // edited after the test
    page.Command(v3, IDC_LOG_CHECK);
    page.Command(v3, IDC_NEXT);
    EXPECT_EQ(tester.calls.size(), 1u);  // neither tested nor asked again
    EXPECT_EQ(v3.messages.size(), 1u);
    EXPECT_EQ(v3.closed, PageResult::Next);

    // A new visit clears the flag; a failed test on Next keeps the page open.
    // The account tested is the one stored, even from a user text longer
    // than the stored one.
    FakePageView v4;
    page.Open(v4);
    tester.answer = {false, false};
    v4.answers = {MessageAnswer::Yes};
    v4.SetText(IDC_LOG_USER, u"CORP\\" + WString(75, u'u'));
    page.Command(v4, IDC_NEXT);
    EXPECT_EQ(tester.calls.size(), 2u);
    EXPECT_FALSE(tester.calls[1].second);
    EXPECT_EQ(settings.NetUser.size(), 63u);
    EXPECT_EQ(Utf8(tester.calls[1].first.user), Utf8(settings.NetUser));
    EXPECT_FALSE(v4.closed);
    // An empty share path asks for one and stays.
    v4.SetText(IDC_LOG_SHARE, u"");
    page.Command(v4, IDC_LOG_CHECK);
    EXPECT_EQ(Utf8(v4.LastMessage()), "Enter path to network shared folder.");
    EXPECT_EQ(tester.calls.size(), 2u);
}

// The page's window, as the Win32 view gives it.
class WindowedView : public FakePageView {
  public:
    void* NativeWindow() const override { return const_cast<int*>(&window); }
    int window = 0;
};

TEST(LoggingPage, ChecksTheShareOnThePlatformWithThePopupOverThePage) {
    WizardSettings settings;
    netshare::testing::Journal journal;
    netshare::testing::FakeSharePlatform platform(journal);
    std::vector<void*> owners;
    PlatformShareTester tester(platform, [&](void* pageWindow) {
        owners.push_back(pageWindow);
        return std::make_unique<netshare::testing::FakePopupSystem>(journal);
    });
    LoggingPage page(settings, tester);
    WindowedView view;
    page.Open(view);
    view.Tick(IDC_LOG_NET, true);
    page.Command(view, IDC_LOG_NET);
    view.SetText(IDC_LOG_SHARE, u"\\\\server\\logs");
    view.SetText(IDC_LOG_USER, u"CORP\\wiper");
    view.SetText(IDC_LOG_PASSWORD, u"secret");
    platform.exists = false;
    page.Command(view, IDC_LOG_CHECK);
    EXPECT_EQ(Utf8(view.LastMessage()),
              "Error in accessing the network shared folder.\nPerhaps this network share does not "
              "exist.");
    platform.exists = true;
    view.answers = {MessageAnswer::Yes};  // check now? yes
    page.Command(view, IDC_NEXT);
    EXPECT_EQ(view.closed, PageResult::Next);
    EXPECT_EQ(Utf8(view.LastMessage()).substr(0, 28), "Check the network share now?");
    ASSERT_EQ(owners.size(), 2u);
    EXPECT_EQ(owners[0], view.NativeWindow());
    const std::vector<std::string> calls = journal.Entries();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "logon CORP|wiper|secret"), calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "remove \\\\server\\logs\\tmp.txt"),
              calls.end());
}

WizardSettings SummarySettings() {
    WizardSettings s;
    for (const char16_t* name : {u"Zero", u"Random", u"Gutmann"}) {
        WipeScheme scheme;
        scheme.DisplayName = name;
        s.Schemes.push_back(scheme);
    }
    s.SchemeHdd = 2;
    s.SchemeSsd = 1;
    s.SchemeHybrid = 0;
    s.SchemeRemovables = 1;
    return s;
}

TEST(SummaryTexts, DescribeTheConfiguration) {
    WizardSettings s = SummarySettings();
    s.AutoStart = 1;
    s.UseDefaultSetings = 1;
    EXPECT_EQ(Utf8(WorkModeText(s)), "Automatic mode with Korvane recommended settings");
    s.UseDefaultSetings = 0;
    EXPECT_EQ(Utf8(WorkModeText(s)), "Automatic mode");
    s.AutoStart = 0;
    EXPECT_EQ(Utf8(WorkModeText(s)), "Manual mode, with the following settings by default:");
    s.UseDefaultSetings = 1;
    EXPECT_EQ(Utf8(WorkModeText(s)), "Manual mode, with Korvane recommended settings by default");

    s.VerifySsd = 1;
    EXPECT_EQ(Utf8(SchemesText(s)),
              "Wiping schemes:\nHard disk drives - Gutmann\n"
              "Solid State drives - Random with verification\nHybrid drives - Zero\n"
              "Removable drives - Random");
    WizardSettings empty;
    EXPECT_EQ(Utf8(SchemesText(empty)),
              "Wiping schemes:\nHard disk drives - \nSolid State drives - \nHybrid drives - \n"
              "Removable drives - ");

    s.ResetHPA = s.ResetDCO = s.AtaErase = 0;
    EXPECT_EQ(Utf8(OptionsText(s)), "");
    s.AtaErase = 1;
    EXPECT_EQ(Utf8(OptionsText(s)), "Replace the last wiping pass by ATA ERASE command");
    s.ResetHPA = s.ResetDCO = 1;
    EXPECT_EQ(Utf8(OptionsText(s)),
              "Reset Host Protected Area\nReset Device Configuration Overlay\n"
              "Replace the last wiping pass by ATA ERASE command");

    s.WriteLog = 1;
    s.NetLog = 1;
    s.NetShare = u"\\\\srv\\logs";
    s.NetUser = u"";
    EXPECT_EQ(Utf8(LoggingText(s)),
              "Write log file to removable USB\nWrite log file to network share \"\\\\srv\\logs\", "
              "username \"\"");
    s.WriteLog = s.NetLog = 0;
    EXPECT_EQ(Utf8(LoggingText(s)), "");

    s.ChooseUsb = 1;
    UsbDiskInfo disk;
    disk.VolumeLabel = u"STICK";
    disk.DriveLetterIndex = 4;
    disk.CapacityText = u"7.45 GB";
    s.UsbDisks = {disk};
    s.SelectedUsbDisk = 0;
    EXPECT_EQ(Utf8(TargetText(s)), "STICK (E:) - 7.45 GB");
    s.SelectedUsbDisk = 3;  // past the list: empty, never a crash
    EXPECT_EQ(Utf8(TargetText(s)), "");
    s.ChooseUsb = 0;
    s.IsoPath = u"C:\\img\\quelixcd.iso";
    EXPECT_EQ(Utf8(TargetText(s)), "C:\\img\\quelixcd.iso");
}

TEST(SummaryPage, FillsTheTextsAndCarriesTheFolderChoice) {
    WizardSettings s = SummarySettings();
    s.ChooseUsb = 0;
    s.IsoPath = u"/tmp/quelixcd.iso";
    s.LockPreset = 0;
    s.IsoShowFolder = 1;
    SummaryPage iso(s, true);
    EXPECT_EQ(iso.Template(), IDD_SUMMARY_ISO);
    FakePageView view;
    iso.Open(view);
    EXPECT_EQ(Utf8(view.Text(IDC_SUM_TARGET)), "/tmp/quelixcd.iso");
    EXPECT_EQ(view.Text(IDC_SUM_SCHEMES), SchemesText(s));
    EXPECT_FALSE(view.Visible(IDC_SUM_LOCK));
    EXPECT_FALSE(view.Visible(IDC_SUM_LOCK_LABEL));
    EXPECT_FALSE(view.Visible(IDC_HELP_BUTTON));
    EXPECT_TRUE(view.Checked(IDC_SUM_OPEN_FOLDER));
    EXPECT_EQ(view.icons[IDC_PAGE_ICON], IDI_ISO_IMAGE);
    view.Tick(IDC_SUM_OPEN_FOLDER, false);
    iso.Command(view, IDC_BACK);
    EXPECT_EQ(view.closed, PageResult::Back);
    EXPECT_EQ(s.IsoShowFolder, 0);

    s.LockPreset = 1;
    s.ChooseUsb = 1;
    SummaryPage usb(s, false);
    FakePageView u;
    usb.Open(u);
    EXPECT_TRUE(u.Visible(IDC_SUM_LOCK));
    EXPECT_EQ(u.icons[IDC_PAGE_ICON], IDI_USB_DRIVE);
    usb.Command(u, IDC_NEXT);
    EXPECT_EQ(u.closed, PageResult::Next);
    EXPECT_EQ(s.IsoShowFolder, 0);  // the USB summary has no such box
}

TEST(FinishPage, ShowsTheOutcomeInItsColour) {
    WizardSettings s;
    FinishPage page(s);
    struct Case {
        int chooseUsb, result;
        const char* title;
        std::optional<const char*> text;
        Rgb color;
    };
    const Case cases[] = {
        {1, 0, "Bootable USB drive with Quelix Omnisweep Utility", std::nullopt, kGreen},
        {0, 1, "ISO image file with Quelix Omnisweep Utility", "The Wizard has been canceled",
         kDarkRed},
        {0, 2, "ISO image file with Quelix Omnisweep Utility",
         "The Wizard failed in creating bootable disk", kDarkRed},
    };
    for (const Case& c : cases) {
        s.ChooseUsb = c.chooseUsb;
        s.BuildResult = c.result;
        FakePageView view;
        page.Open(view);
        EXPECT_EQ(Utf8(view.Text(IDC_MEDIUM_TITLE)), c.title);
        if (c.text)
            EXPECT_EQ(Utf8(view.Text(IDC_FINISH_OUTCOME)), *c.text);
        else
            EXPECT_FALSE(view.texts.count(IDC_FINISH_OUTCOME));  // the template's text stays
        EXPECT_EQ(view.colors[IDC_FINISH_OUTCOME], c.color);
        EXPECT_EQ(view.fonts[IDC_FINISH_OUTCOME], 18);
        EXPECT_EQ(view.icons[IDC_PAGE_ICON], c.chooseUsb ? IDI_USB_DRIVE : IDI_ISO_IMAGE);
        page.Command(view, IDC_NEXT);
        EXPECT_EQ(view.closed, PageResult::Next);
    }
}

}  // namespace
}  // namespace wizard::pages
