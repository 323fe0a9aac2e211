// The start, USB drive and ISO image path pages, driven through a fake view.
#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/iso_path_page.h"
#include "wizard/app/pages/start_page.h"
#include "wizard/app/pages/testing/fake_disks.h"
#include "wizard/app/pages/testing/fake_page_view.h"
#include "wizard/app/pages/testing/page_test_support.h"
#include "wizard/app/pages/usb_drive_page.h"

namespace wizard::pages {
namespace {

using testing::FakeDisks;
using testing::FakePageView;
using testing::Utf8;
using MediumPages = testing::PageTest;

TEST(StartPage, ChoosesTheMediumAndKeepsTheWindowInPlace) {
    WizardSettings settings;
    settings.WindowX = 120;
    settings.WindowY = 80;
    StartPage page(settings, {10, 0});
    FakePageView view;
    page.Open(view);
    ASSERT_TRUE(view.movedTo);  // opens where the previous page was
    EXPECT_EQ(view.movedTo->x, 120);
    EXPECT_TRUE(view.Visible(IDC_START_USB));
    EXPECT_FALSE(view.Visible(IDC_START_USB_PLAIN));
    EXPECT_EQ(view.icons[IDC_START_USB], IDI_USB_DRIVE);
    EXPECT_EQ(view.icons[IDC_START_ISO], IDI_ISO_IMAGE);
    EXPECT_EQ(view.fonts[IDC_START_WELCOME], 25);
    EXPECT_EQ(view.fonts[IDC_START_CREATE], 21);

    view.position = {300, 200};
    page.Command(view, IDC_START_ISO_PLAIN);  // the plain ISO button shares the handler
    EXPECT_EQ(view.closed, PageResult::IsoChosen);
    EXPECT_EQ(settings.ChooseUsb, 0);
    EXPECT_EQ(settings.WindowX, 300);
    EXPECT_EQ(settings.WindowY, 200);

    FakePageView again;
    page.Open(again);
    again.position = {1, 2};
    page.Command(again, IDC_START_HELP_LINK);
    EXPECT_FALSE(again.closed);
    ASSERT_EQ(again.helpTopics.size(), 1u);
    EXPECT_EQ(Utf8(again.helpTopics[0]),
              "::/HTML_Help/html/04_using/Configuration Wizard/06_choosing_media.htm>mainwin");
    page.Command(again, IDC_START_USB);
    EXPECT_EQ(again.closed, PageResult::UsbChosen);
    EXPECT_EQ(settings.ChooseUsb, 1);

    // Cancel stores no position.
    FakePageView cancelled;
    page.Open(cancelled);
    cancelled.position = {9, 9};
    page.Command(cancelled, IDC_CANCEL);
    EXPECT_EQ(cancelled.closed, PageResult::Cancel);
    EXPECT_EQ(settings.WindowX, 1);

    // Windows XP and Server 2003 get the plain buttons; every other version the links.
    EXPECT_FALSE(UsesCommandLinks({5, 1}));
    EXPECT_FALSE(UsesCommandLinks({5, 2}));
    EXPECT_TRUE(UsesCommandLinks({5, 0}));
    EXPECT_TRUE(UsesCommandLinks({6, 0}));
    StartPage xp(settings, {5, 1});
    FakePageView old;
    xp.Open(old);
    EXPECT_FALSE(old.Visible(IDC_START_ISO));
    EXPECT_TRUE(old.Visible(IDC_START_ISO_PLAIN));
}

TEST(UsbDrivePage, ListsTheDrivesWithTheirStatus) {
    WizardSettings settings;
    FakeDisks disks;
    disks.present = {FakeDisks::Disk(u"\\\\?\\Volume{a}", u"STICK", 4),
                     FakeDisks::Disk(u"\\\\?\\Volume{b}", u"", 5, 0, true),
                     FakeDisks::Disk(u"\\\\?\\Volume{c}", u"NOLETTER", -1, 3, true)};
    UsbDrivePage page(settings, disks);
    FakePageView view;
    page.Open(view);
    EXPECT_EQ(disks.refreshes, 1);
    EXPECT_EQ(
        view.listColumns[IDC_USB_LIST],
        (std::vector<WString>{u"Drive", u"Capacity", u"Free space", u"Filesystem", u"Status"}));
    const auto& rows = view.listRows[IDC_USB_LIST];
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Utf8(rows[0].columns[0]), "STICK (E:)");
    EXPECT_EQ(Utf8(rows[1].columns[0]), "(F:)");
    EXPECT_EQ(Utf8(rows[2].columns[0]), "NOLETTER ");
    EXPECT_EQ(Utf8(rows[0].columns[4]), "Ready");
    EXPECT_EQ(Utf8(rows[1].columns[4]), "Bootable drive");
    EXPECT_EQ(Utf8(rows[2].columns[4]), "Format required");  // format need wins
    EXPECT_EQ(Utf8(rows[0].columns[1]), "7.45 GB");
    EXPECT_EQ(view.colors[IDC_USB_WARNING], kDarkRed);
    EXPECT_EQ(view.SelectedListValue(IDC_USB_LIST), 0);  // SelectedUsbDisk
    EXPECT_TRUE(view.Enabled(IDC_NEXT));

    UsbDiskInfo longLabel = FakeDisks::Disk(u"v", u"", 7);
    longLabel.VolumeLabel = WString(80, u'L');
    EXPECT_EQ(UsbDriveColumnText(longLabel).size(), 63u);

    view.SelectRow(IDC_USB_LIST, 1);
    page.Command(view, IDC_NEXT);
    EXPECT_EQ(view.closed, PageResult::Next);
    EXPECT_EQ(settings.SelectedUsbDisk, 1);

    // Back to the page after a stick was plugged in meanwhile: the chosen
    // drive (now row 2) is selected, not whatever row 1 holds now.
    disks.present.insert(disks.present.begin(), FakeDisks::Disk(u"vol-new", u"NEW", 7));
    FakePageView back;
    page.Open(back);
    EXPECT_EQ(back.SelectedListValue(IDC_USB_LIST), 2);
    // And when it is gone, nothing is selected.
    disks.present.erase(disks.present.begin() + 2);
    FakePageView gone;
    page.Open(gone);
    EXPECT_FALSE(gone.SelectedListValue(IDC_USB_LIST));
    EXPECT_FALSE(gone.Enabled(IDC_NEXT));
}

TEST(UsbDrivePage, TheSelectionFollowsTheDriveWhenVolumesComeAndGo) {
    WizardSettings settings;
    FakeDisks disks;
    UsbDrivePage page(settings, disks);
    FakePageView view;
    page.Open(view);
    // No drive: Next cannot be pressed; the list refills by itself on arrival.
    EXPECT_TRUE(view.listRows[IDC_USB_LIST].empty());
    EXPECT_FALSE(view.Enabled(IDC_NEXT));
    page.Command(view, IDC_NEXT);
    EXPECT_FALSE(view.closed);

    disks.present = {FakeDisks::Disk(u"vol-b", u"B", 5)};
    page.VolumesChanged(view);
    ASSERT_EQ(view.listRows[IDC_USB_LIST].size(), 1u);
    view.SelectRow(IDC_USB_LIST, 0);
    page.Command(view, IDC_USB_LIST);
    EXPECT_TRUE(view.Enabled(IDC_NEXT));

    // A stick plugged in before it takes row 0: the user's drive stays selected.
    disks.present = {FakeDisks::Disk(u"vol-a", u"A", 4), FakeDisks::Disk(u"vol-b", u"B", 5)};
    page.VolumesChanged(view);
    EXPECT_EQ(view.SelectedListValue(IDC_USB_LIST), 1);

    // The selected drive goes away: nothing is selected and Next is disabled,
    // so another drive is never taken in its place.
    disks.present = {FakeDisks::Disk(u"vol-a", u"A", 4)};
    page.VolumesChanged(view);
    EXPECT_FALSE(view.SelectedListValue(IDC_USB_LIST));
    EXPECT_FALSE(view.Enabled(IDC_NEXT));
    settings.SelectedUsbDisk = 7;
    page.Command(view, IDC_NEXT);
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(settings.SelectedUsbDisk, 7);

    // Back without a selection stores 0.
    page.Command(view, IDC_BACK);
    EXPECT_EQ(view.closed, PageResult::Back);
    EXPECT_EQ(settings.SelectedUsbDisk, 0);
    EXPECT_TRUE(view.messages.empty());

    // A platform without USB discovery says so instead of showing an empty list.
    UnavailableUsbDiskSource none;
    UsbDrivePage unavailable(settings, none);
    FakePageView empty;
    unavailable.Open(empty);
    EXPECT_NE(Utf8(empty.LastMessage()).find("cannot list USB drives"), std::string::npos);
    EXPECT_FALSE(empty.Enabled(IDC_NEXT));
}

TEST_F(MediumPages, IsoPathIsCheckedCompletedAndLeavesNoFile) {
    WizardSettings settings;
    settings.IsoPath = Scratch(u"first.iso");
    IsoPathPage page(settings);
    FakePageView view;
    page.Open(view);
    EXPECT_EQ(view.Text(IDC_ISO_PATH), Scratch(u"first.iso"));
    EXPECT_EQ(Utf8(view.cueBanners[IDC_ISO_PATH]), "Enter path to ISO image file");

    // Without extension: ".iso" appended, stored, no file left behind.
    view.SetText(IDC_ISO_PATH, Scratch(u"image"));
    page.Command(view, IDC_NEXT);
    EXPECT_EQ(view.closed, PageResult::Next);
    EXPECT_EQ(settings.IsoPath, Scratch(u"image.iso"));
    EXPECT_FALSE(platform::PathExists(Scratch(u"image.iso")));
    EXPECT_FALSE(platform::PathExists(Scratch(u"image")));

    // An existing image is left untouched; upper-case ".ISO" stays as it is.
    const WString existing = Scratch(u"OLD.ISO");
    qo::test::WriteFileBytes(existing, "old");
    FakePageView v2;
    page.Open(v2);
    v2.SetText(IDC_ISO_PATH, existing);
    page.Command(v2, IDC_NEXT);
    EXPECT_EQ(settings.IsoPath, existing);
    uint64_t size = 0;
    EXPECT_TRUE(platform::FileSize(existing, size));
    EXPECT_EQ(size, 3u);

    // Back keeps the typed text without a check or an extension.
    FakePageView v3;
    page.Open(v3);
    v3.SetText(IDC_ISO_PATH, Scratch(u"missing-folder/typed"));
    page.Command(v3, IDC_BACK);
    EXPECT_EQ(v3.closed, PageResult::Back);
    EXPECT_EQ(settings.IsoPath, Scratch(u"missing-folder/typed"));
    EXPECT_TRUE(v3.messages.empty());

    // The page keeps its own text between visits; a place that cannot hold
    // the file keeps the user on the page.
    FakePageView v4;
    page.Open(v4);
    EXPECT_EQ(v4.Text(IDC_ISO_PATH), Scratch(u"missing-folder/typed"));
    page.Command(v4, IDC_NEXT);
    EXPECT_FALSE(v4.closed);
    EXPECT_EQ(Utf8(v4.LastMessage()), "Error in creating or opening file.");
    v4.SetText(IDC_ISO_PATH, u"");
    page.Command(v4, IDC_NEXT);
    EXPECT_FALSE(v4.closed);
    EXPECT_EQ(Utf8(v4.LastMessage()),
              "Please enter path and file name for ISO image of bootable disk.");
    EXPECT_EQ(settings.IsoPath, Scratch(u"missing-folder/typed"));

    // Browse: starts in the folder of the current text; a cancelled dialog
    // changes nothing; a chosen name is checked and completed.
    v4.SetText(IDC_ISO_PATH, Scratch(u"x.iso"));
    page.Command(v4, IDC_ISO_BROWSE);  // reads the page's buffer, not the edit box
    ASSERT_EQ(v4.browseRequests.size(), 1u);
    EXPECT_EQ(Utf8(v4.browseRequests[0].filterPattern), "*.ISO");
    EXPECT_EQ(v4.Text(IDC_ISO_PATH), Scratch(u"x.iso"));
    v4.browseResult = Scratch(u"chosen");
    page.Command(v4, IDC_ISO_BROWSE);
    EXPECT_EQ(v4.Text(IDC_ISO_PATH), Scratch(u"chosen.iso"));
    EXPECT_FALSE(platform::PathExists(Scratch(u"chosen.iso")));

    // A name whose extension would not fit the page's buffer is refused.
    v4.SetText(IDC_ISO_PATH, Scratch(WString(259 - root_.size() - 1, u'n')));
    page.Command(v4, IDC_NEXT);
    EXPECT_FALSE(v4.closed);

    EXPECT_EQ(WithIsoExtension(u".iso"), u".iso.iso");
    EXPECT_EQ(WithIsoExtension(u"a.IsO"), u"a.IsO");
}

}  // namespace
}  // namespace wizard::pages
