#include "wizard/app/pages/summary_page.h"

#include "wizard/app/pages/control_ids.h"
#include "wizard/app/pages/summary_texts.h"

namespace wizard::pages {

int SummaryPage::Template() const {
    return iso_ ? IDD_SUMMARY_ISO : IDD_SUMMARY_USB;
}

void SummaryPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_SUM_TITLE, 21}});
    view.SetIcon(IDC_PAGE_ICON, iso_ ? IDI_ISO_IMAGE : IDI_USB_DRIVE);
    view.SetVisible(IDC_HELP_BUTTON, false);
    view.SetText(IDC_SUM_TARGET, TargetText(settings_));
    view.SetText(IDC_SUM_MODE, WorkModeText(settings_));
    view.SetText(IDC_SUM_SCHEMES, SchemesText(settings_));
    view.SetText(IDC_SUM_OPTIONS, OptionsText(settings_));
    view.SetText(IDC_SUM_LOGGING, LoggingText(settings_));
    const bool locked = settings_.LockPreset == 1;
    view.SetVisible(IDC_SUM_LOCK_LABEL, locked);
    view.SetVisible(IDC_SUM_LOCK, locked);
    if (iso_)
        view.SetChecked(IDC_SUM_OPEN_FOLDER, settings_.IsoShowFolder == 1);
}

std::optional<PageResult> SummaryPage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_NEXT:
        case IDC_BACK:
            if (iso_)
                settings_.IsoShowFolder = view.Checked(IDC_SUM_OPEN_FOLDER) ? 1 : 0;
            return id == IDC_NEXT ? PageResult::Next : PageResult::Back;
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages
