#include "wizard/app/pages/work_mode_page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {

WorkModePage::WorkModePage(WizardSettings& settings)
    : Page(settings),
      automatic_(settings.AutoStart != 0),
      changeDefaults_(settings.UseDefaultSetings == 0) {}

int WorkModePage::Template() const {
    return IDD_WORKMODE;
}

void WorkModePage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_MODE_TITLE, 21},
                      {IDC_MODE_AUTOMATIC, 14},
                      {IDC_MODE_AUTOMATIC_TEXT, 14},
                      {IDC_MODE_MANUAL, 14},
                      {IDC_MODE_MANUAL_TEXT, 14},
                      {IDC_MODE_CHANGE_DEFAULTS, 14}});
    view.SetChecked(IDC_MODE_AUTOMATIC, automatic_);
    view.SetChecked(IDC_MODE_MANUAL, !automatic_);
    view.SetChecked(IDC_MODE_CHANGE_DEFAULTS, changeDefaults_);
}

void WorkModePage::SetMode(PageView& view, bool automatic) {
    view.SetChecked(IDC_MODE_AUTOMATIC, automatic);
    view.SetChecked(IDC_MODE_MANUAL, !automatic);
    automatic_ = automatic;
}

PageResult WorkModePage::Leave(const PageView& view, PageResult result) {
    settings_.AutoStart = view.Checked(IDC_MODE_AUTOMATIC) ? 1 : 0;
    changeDefaults_ = view.Checked(IDC_MODE_CHANGE_DEFAULTS);
    settings_.UseDefaultSetings = changeDefaults_ ? 0 : 1;
    if (!changeDefaults_)
        settings_.ResetToRecommended();
    return result;
}

std::optional<PageResult> WorkModePage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_MODE_AUTOMATIC:
        case IDC_MODE_AUTOMATIC_LABEL:
            SetMode(view, true);
            return std::nullopt;
        case IDC_MODE_MANUAL:
        case IDC_MODE_MANUAL_LABEL:
            SetMode(view, false);
            return std::nullopt;
        case IDC_MODE_CHANGE_DEFAULTS:
            changeDefaults_ = view.Checked(IDC_MODE_CHANGE_DEFAULTS);
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
