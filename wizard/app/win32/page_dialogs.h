// The wizard's pages as dialogs: each couples a page's logic with the shared
// dialog behaviour of WizardPage. Interface thread only.
#pragma once

#include "wizard/app/pages/finish_page.h"
#include "wizard/app/pages/iso_path_page.h"
#include "wizard/app/pages/logging_page.h"
#include "wizard/app/pages/start_page.h"
#include "wizard/app/pages/summary_page.h"
#include "wizard/app/pages/usb_drive_page.h"
#include "wizard/app/pages/wipe_settings_page.h"
#include "wizard/app/pages/work_mode_page.h"
#include "wizard_page.h"

namespace wizard::win32 {

// The logic lives in the dialog object; WizardPage only refers to it.
template <class Logic>
class PageDialog : public WizardPage {
  public:
    template <class... Args>
    explicit PageDialog(HINSTANCE instance, Args&&... args)
        : WizardPage(instance, logic_), logic_(std::forward<Args>(args)...) {}
    Logic& logic() { return logic_; }

  private:
    Logic logic_;
};

class CWizardStartDlg : public PageDialog<pages::StartPage> {
    using PageDialog::PageDialog;
};
class CSelectUsbDiskDlg : public PageDialog<pages::UsbDrivePage> {
    using PageDialog::PageDialog;
};
class CIsoImagePathDlg : public PageDialog<pages::IsoPathPage> {
    using PageDialog::PageDialog;
};
class CWorkmodeDlg : public PageDialog<pages::WorkModePage> {
    using PageDialog::PageDialog;
};
class CWipeSettingsDlg : public PageDialog<pages::WipeSettingsPage> {
    using PageDialog::PageDialog;
};
class CLoggingDlg : public PageDialog<pages::LoggingPage> {
    using PageDialog::PageDialog;
};
class CSummaryDlg : public PageDialog<pages::SummaryPage> {
  public:
    CSummaryDlg(HINSTANCE instance, WizardSettings& settings)
        : PageDialog(instance, settings, false) {}
};
class CSummaryIsoDlg : public PageDialog<pages::SummaryPage> {
  public:
    CSummaryIsoDlg(HINSTANCE instance, WizardSettings& settings)
        : PageDialog(instance, settings, true) {}
};
class CFinishDlg : public PageDialog<pages::FinishPage> {
    using PageDialog::PageDialog;
};

}  // namespace wizard::win32
