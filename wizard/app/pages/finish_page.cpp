#include "wizard/app/pages/finish_page.h"

#include "wizard/app/pages/control_ids.h"
#include "wizard/media/build_worker.h"

namespace wizard::pages {

platform::WString MediumTitle(const WizardSettings& settings) {
    return settings.ChooseUsb == 1 ? u"Bootable USB drive with Quelix Omnisweep Utility"
                                   : u"ISO image file with Quelix Omnisweep Utility";
}

int FinishPage::Template() const {
    return IDD_FINISH;
}

void FinishPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_MEDIUM_TITLE, 21}, {IDC_FINISH_OUTCOME, 18}});
    view.SetIcon(IDC_PAGE_ICON, settings_.ChooseUsb == 1 ? IDI_USB_DRIVE : IDI_ISO_IMAGE);
    view.SetText(IDC_MEDIUM_TITLE, MediumTitle(settings_));
    if (settings_.BuildResult == kBuildNotCompleted)
        view.SetText(IDC_FINISH_OUTCOME, u"The Wizard has been canceled");
    else if (settings_.BuildResult == kBuildFailed)
        view.SetText(IDC_FINISH_OUTCOME, u"The Wizard failed in creating bootable disk");
    view.SetTextColor(IDC_FINISH_OUTCOME,
                      settings_.BuildResult == kBuildCreated ? kGreen : kDarkRed);
}

std::optional<PageResult> FinishPage::OnCommand(PageView& view, int id) {
    if (id == IDC_NEXT)
        return PageResult::Next;
    return Page::OnCommand(view, id);
}

}  // namespace wizard::pages
