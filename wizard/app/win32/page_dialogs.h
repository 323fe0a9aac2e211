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

// The summary's two dialogs differ only in the medium they describe.
template <bool IsoImage>
class SummaryDialog : public PageDialog<pages::SummaryPage> {
  public:
    SummaryDialog(HINSTANCE instance, WizardSettings& settings)
        : PageDialog(instance, settings, IsoImage) {}
};

// Every page's dialog, by the page whose logic it holds.
using CWizardStartDlg = PageDialog<pages::StartPage>;
using CSelectUsbDiskDlg = PageDialog<pages::UsbDrivePage>;
using CIsoImagePathDlg = PageDialog<pages::IsoPathPage>;
using CWorkmodeDlg = PageDialog<pages::WorkModePage>;
using CWipeSettingsDlg = PageDialog<pages::WipeSettingsPage>;
using CLoggingDlg = PageDialog<pages::LoggingPage>;
using CSummaryDlg = SummaryDialog<false>;
using CSummaryIsoDlg = SummaryDialog<true>;
using CFinishDlg = PageDialog<pages::FinishPage>;

}  // namespace wizard::win32
