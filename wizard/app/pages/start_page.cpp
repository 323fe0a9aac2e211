#include "wizard/app/pages/start_page.h"

#include "wizard/app/pages/control_ids.h"

namespace wizard::pages {

bool UsesCommandLinks(SystemVersion version) {
    return !(version.major == 5 && version.minor > 0);
}

StartPage::StartPage(WizardSettings& settings, SystemVersion version)
    : Page(settings), commandLinks_(UsesCommandLinks(version)) {}

int StartPage::Template() const {
    return IDD_START;
}

void StartPage::OnOpen(PageView& view) {
    ApplyFonts(view, {{IDC_START_WELCOME, 25},
                      {IDC_START_INTRO, 14},
                      {IDC_START_REMOVABLE, 14},
                      {IDC_START_CREATE, 21},
                      {IDC_START_USB, 25},
                      {IDC_START_ISO, 25},
                      {IDC_START_HELP_LINK, 21}});
    view.SetVisible(IDC_START_USB, commandLinks_);
    view.SetVisible(IDC_START_ISO, commandLinks_);
    view.SetVisible(IDC_START_USB_PLAIN, !commandLinks_);
    view.SetVisible(IDC_START_ISO_PLAIN, !commandLinks_);
    if (commandLinks_) {
        view.SetIcon(IDC_START_USB, IDI_USB_DRIVE);
        view.SetIcon(IDC_START_ISO, IDI_ISO_IMAGE);
    }
}

std::optional<PageResult> StartPage::OnCommand(PageView& view, int id) {
    switch (id) {
        case IDC_START_USB:
        case IDC_START_USB_PLAIN:
            settings_.ChooseUsb = 1;
            return PageResult::UsbChosen;
        case IDC_START_ISO:
        case IDC_START_ISO_PLAIN:
            settings_.ChooseUsb = 0;
            return PageResult::IsoChosen;
        case IDC_START_HELP_LINK:
            view.OpenHelp(kHelpChoosingMedia);
            return std::nullopt;
        default:
            return Page::OnCommand(view, id);
    }
}

}  // namespace wizard::pages
