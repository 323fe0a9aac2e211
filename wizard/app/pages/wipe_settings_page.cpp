#include "wizard/app/pages/wipe_settings_page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {
namespace {

struct ClassControls {
    DriveClass driveClass;
    int schemeList;
    int verifyBox;
};
constexpr ClassControls kClasses[] = {
    {DriveClass::Hdd, IDC_WIPE_HDD_SCHEME, IDC_WIPE_HDD_VERIFY},
    {DriveClass::Ssd, IDC_WIPE_SSD_SCHEME, IDC_WIPE_SSD_VERIFY},
    {DriveClass::Removables, IDC_WIPE_REMOVABLE_SCHEME, IDC_WIPE_REMOVABLE_VERIFY},
    {DriveClass::Hybrid, IDC_WIPE_HYBRID_SCHEME, IDC_WIPE_HYBRID_VERIFY},
};

}  // namespace

int WipeSettingsPage::Template() const {
    return IDD_WIPE_SETTINGS;
}

void WipeSettingsPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_WIPE_TITLE, 21},
                      {IDC_WIPE_ATA_TITLE, 21},
                      {IDC_WIPE_HDD_LABEL, 14},
                      {IDC_WIPE_HDD_SCHEME, 14},
                      {IDC_WIPE_HDD_VERIFY, 14},
                      {IDC_WIPE_SSD_LABEL, 14},
                      {IDC_WIPE_SSD_SCHEME, 14},
                      {IDC_WIPE_SSD_VERIFY, 14},
                      {IDC_WIPE_HYBRID_LABEL, 14},
                      {IDC_WIPE_HYBRID_SCHEME, 14},
                      {IDC_WIPE_HYBRID_VERIFY, 14},
                      {IDC_WIPE_REMOVABLE_LABEL, 14},
                      {IDC_WIPE_REMOVABLE_SCHEME, 14},
                      {IDC_WIPE_REMOVABLE_VERIFY, 14},
                      {IDC_WIPE_RESET_HPA, 14},
                      {IDC_WIPE_RESET_DCO, 14},
                      {IDC_WIPE_ATA_ERASE, 14}});
    Fill(view);
}

void WipeSettingsPage::Fill(PageView& view) {
    for (const ClassControls& c : kClasses) {
        view.ClearCombo(c.schemeList);
        for (size_t i = 0; i < settings_.Schemes.size(); ++i)
            view.AddComboItem(c.schemeList, settings_.Schemes[i].DisplayName,
                              static_cast<int32_t>(i));
        view.SelectComboValue(c.schemeList, settings_.SchemeIndex(c.driveClass));
        view.SetChecked(c.verifyBox, settings_.Verify(c.driveClass) != 0);
    }
    view.SetChecked(IDC_WIPE_RESET_HPA, settings_.ResetHPA != 0);
    view.SetChecked(IDC_WIPE_RESET_DCO, settings_.ResetDCO != 0);
    view.SetChecked(IDC_WIPE_ATA_ERASE, settings_.AtaErase != 0);
}

PageResult WipeSettingsPage::Leave(const PageView& view, PageResult result) {
    for (const ClassControls& c : kClasses) {
        settings_.SchemeIndex(c.driveClass) = view.SelectedComboValue(c.schemeList);
        settings_.Verify(c.driveClass) = view.Checked(c.verifyBox) ? 1 : 0;
    }
    settings_.ResetHPA = view.Checked(IDC_WIPE_RESET_HPA) ? 1 : 0;
    settings_.ResetDCO = view.Checked(IDC_WIPE_RESET_DCO) ? 1 : 0;
    settings_.AtaErase = view.Checked(IDC_WIPE_ATA_ERASE) ? 1 : 0;
    settings_.SaveSettings();
    return result;
}

std::optional<PageResult> WipeSettingsPage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_WIPE_SET_DEFAULT:
            settings_.ResetToRecommended();
            Fill(view);
            return std::nullopt;
        case IDC_NEXT:
            return Leave(view, PageResult::Next);
        case IDC_BACK:
            return Leave(view, PageResult::Back);
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages
