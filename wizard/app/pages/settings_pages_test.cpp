// The work mode and wipe settings pages, on settings loaded from a private store.
#include <gtest/gtest.h>

#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/testing/fake_page_view.h"
#include "wizard/app/pages/testing/page_test_support.h"
#include "wizard/app/pages/wipe_settings_page.h"
#include "wizard/app/pages/work_mode_page.h"

namespace wizard::pages {
namespace {

using testing::FakePageView;
using testing::Utf8;
using SettingsPages = testing::PageTest;

// The scheme index of a display name in the catalogue.
int32_t IndexOf(const WizardSettings& s, const char16_t* name) {
    for (size_t i = 0; i < s.Schemes.size(); ++i)
        if (s.Schemes[i].DisplayName == name)
            return static_cast<int32_t>(i);
    return -1;
}

TEST_F(SettingsPages, WorkModeKeepsItsChoiceAndResetsUnchangedDefaults) {
    auto settings = LoadedSettings();
    ASSERT_GE(settings->Schemes.size(), 3u);
    settings->AutoStart = 1;
    settings->UseDefaultSetings = 1;
    WorkModePage page(*settings);

    FakePageView view;
    page.Open(view);
    for (const auto& [id, height] :
         std::initializer_list<std::pair<int, int>>{{IDC_MODE_TITLE, 21},
                                                    {IDC_MODE_AUTOMATIC, 14},
                                                    {IDC_MODE_AUTOMATIC_TEXT, 14},
                                                    {IDC_MODE_MANUAL, 14},
                                                    {IDC_MODE_MANUAL_TEXT, 14},
                                                    {IDC_MODE_CHANGE_DEFAULTS, 14}})
        EXPECT_EQ(view.fonts[id], height) << "control " << id;
    EXPECT_TRUE(view.Checked(IDC_MODE_AUTOMATIC));
    EXPECT_FALSE(view.Checked(IDC_MODE_MANUAL));
    EXPECT_FALSE(view.Checked(IDC_MODE_CHANGE_DEFAULTS));
    view.Tick(IDC_MODE_MANUAL_LABEL, true);
    page.Command(view, IDC_MODE_MANUAL_LABEL);  // the hidden label acts like its radio
    EXPECT_TRUE(view.Checked(IDC_MODE_MANUAL));
    EXPECT_FALSE(view.Checked(IDC_MODE_AUTOMATIC));
    view.Tick(IDC_MODE_CHANGE_DEFAULTS, true);
    page.Command(view, IDC_MODE_CHANGE_DEFAULTS);
    page.Command(view, IDC_NEXT);
    EXPECT_EQ(view.closed, PageResult::Next);
    EXPECT_EQ(settings->AutoStart, 0);
    EXPECT_EQ(settings->UseDefaultSetings, 0);

    // Changed wiping options survive while the box stays ticked ...
    settings->SchemeHdd = IndexOf(*settings, u"1-pass zero fill");
    settings->VerifySsd = 1;
    settings->AtaErase = 0;
    FakePageView again;
    page.Open(again);  // the page's own flags, not re-read from the settings
    EXPECT_TRUE(again.Checked(IDC_MODE_MANUAL));
    EXPECT_TRUE(again.Checked(IDC_MODE_CHANGE_DEFAULTS));
    page.Command(again, IDC_BACK);
    EXPECT_EQ(again.closed, PageResult::Back);
    EXPECT_EQ(settings->VerifySsd, 1);

    // ... and are reset to the recommended ones when it is cleared.
    FakePageView third;
    page.Open(third);
    third.Tick(IDC_MODE_CHANGE_DEFAULTS, false);
    page.Command(third, IDC_MODE_CHANGE_DEFAULTS);
    page.Command(third, IDC_NEXT);
    EXPECT_EQ(settings->UseDefaultSetings, 1);
    EXPECT_EQ(settings->SchemeHdd, IndexOf(*settings, u"7-pass US DoD 5220-22M(ECE)"));
    EXPECT_EQ(settings->VerifySsd, 0);
    EXPECT_EQ(settings->AtaErase, 1);

    // Cancel takes nothing from the controls.
    FakePageView fourth;
    page.Open(fourth);
    fourth.Tick(IDC_MODE_AUTOMATIC, true);
    page.Command(fourth, IDC_MODE_AUTOMATIC);
    page.Command(fourth, IDC_CANCEL);
    EXPECT_EQ(settings->AutoStart, 0);
}

TEST_F(SettingsPages, WipeSettingsShowSaveAndRestoreTheRecommendedOptions) {
    auto settings = LoadedSettings();
    const int32_t zero = IndexOf(*settings, u"1-pass zero fill");
    const int32_t ece = IndexOf(*settings, u"7-pass US DoD 5220-22M(ECE)");
    const int32_t e = IndexOf(*settings, u"3-pass US DoD 5220-22M(E)");
    const int32_t random = IndexOf(*settings, u"1-pass random");
    ASSERT_GE(zero, 0);
    ASSERT_GE(ece, 0);
    settings->SchemeHybrid = zero;
    settings->VerifyHybrid = 1;
    WipeSettingsPage page(*settings);
    FakePageView view;
    page.Open(view);
    for (int list : {IDC_WIPE_HDD_SCHEME, IDC_WIPE_SSD_SCHEME, IDC_WIPE_HYBRID_SCHEME,
                     IDC_WIPE_REMOVABLE_SCHEME}) {
        ASSERT_EQ(view.combos[list].size(), settings->Schemes.size());
        for (size_t i = 0; i < settings->Schemes.size(); ++i) {
            EXPECT_EQ(view.combos[list][i].first, settings->Schemes[i].DisplayName);
            EXPECT_EQ(view.combos[list][i].second, static_cast<int32_t>(i));
        }
    }
    EXPECT_EQ(view.SelectedComboValue(IDC_WIPE_HDD_SCHEME), ece);
    EXPECT_EQ(view.SelectedComboValue(IDC_WIPE_HYBRID_SCHEME), zero);
    EXPECT_TRUE(view.Checked(IDC_WIPE_HYBRID_VERIFY));
    EXPECT_TRUE(view.Checked(IDC_WIPE_ATA_ERASE));

    // The user's choices; Back saves them too.
    view.SelectComboValue(IDC_WIPE_SSD_SCHEME, zero);
    view.SelectComboValue(IDC_WIPE_REMOVABLE_SCHEME, e);
    view.Tick(IDC_WIPE_HDD_VERIFY, true);
    view.Tick(IDC_WIPE_RESET_HPA, true);
    view.Tick(IDC_WIPE_RESET_DCO, true);
    view.Tick(IDC_WIPE_ATA_ERASE, false);
    page.Command(view, IDC_BACK);
    EXPECT_EQ(view.closed, PageResult::Back);
    {
        auto stored = LoadedSettings();
        EXPECT_EQ(stored->SchemeSsd, zero);
        EXPECT_EQ(stored->SchemeRemovables, e);
        EXPECT_EQ(stored->SchemeHybrid, zero);
        EXPECT_EQ(stored->VerifyHdd, 1);
        EXPECT_EQ(stored->VerifyHybrid, 1);
        EXPECT_EQ(stored->ResetHPA, 1);
        EXPECT_EQ(stored->ResetDCO, 1);
        EXPECT_EQ(stored->AtaErase, 0);
    }

    // "Set default": recommended schemes, no verification, no HPA/DCO, ATA ERASE.
    FakePageView again;
    page.Open(again);
    EXPECT_TRUE(again.Checked(IDC_WIPE_RESET_DCO));
    page.Command(again, IDC_WIPE_SET_DEFAULT);
    EXPECT_EQ(again.SelectedComboValue(IDC_WIPE_HDD_SCHEME), ece);
    EXPECT_EQ(again.SelectedComboValue(IDC_WIPE_SSD_SCHEME), e);
    EXPECT_EQ(again.SelectedComboValue(IDC_WIPE_REMOVABLE_SCHEME), random);
    for (int box : {IDC_WIPE_HDD_VERIFY, IDC_WIPE_SSD_VERIFY, IDC_WIPE_HYBRID_VERIFY,
                    IDC_WIPE_REMOVABLE_VERIFY, IDC_WIPE_RESET_HPA, IDC_WIPE_RESET_DCO})
        EXPECT_FALSE(again.Checked(box)) << box;
    EXPECT_TRUE(again.Checked(IDC_WIPE_ATA_ERASE));
    // A list left without a selection stores index 0.
    again.comboSelection[IDC_WIPE_HYBRID_SCHEME] = -1;
    page.Command(again, IDC_NEXT);
    EXPECT_EQ(again.closed, PageResult::Next);
    auto stored = LoadedSettings();
    EXPECT_EQ(stored->SchemeHybrid, 0);
    EXPECT_EQ(stored->SchemeSsd, e);
    EXPECT_EQ(stored->ResetDCO, 0);

    // With an empty catalogue the lists are empty and every class stores 0.
    WizardSettings empty;
    WipeSettingsPage emptyPage(empty);
    FakePageView none;
    emptyPage.Open(none);
    EXPECT_TRUE(none.combos[IDC_WIPE_HDD_SCHEME].empty());
    emptyPage.Command(none, IDC_NEXT);
    EXPECT_EQ(empty.SchemeHdd, 0);
    EXPECT_EQ(empty.SchemeRemovables, 0);
}

}  // namespace
}  // namespace wizard::pages
