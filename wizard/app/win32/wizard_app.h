// CWizardApp: the wizard's start-up. Tests the administrator rights, loads the
// settings, shows only the About box for "-v", otherwise runs the pages one
// after another and, after a created ISO image, opens the file manager on it
// when asked. It runs no message loop of its own.
// Interface thread only.
#pragma once

#include <windows.h>

#include <chrono>

#include "wizard/app/pages/media_builders.h"
#include "wizard/app/pages/page_sequence.h"
#include "wizard/app/pages/share_check.h"
#include "wizard/app/pages/start_page.h"
#include "wizard/app/pages/usb_disk_source.h"

namespace wizard::win32 {

// What the pages work with beyond the settings; tests pass fakes.
struct WizardServices {
    pages::UsbDiskSource& disks;
    pages::ShareTester& shareTester;
    pages::MediaBuilders& builders;
    pages::SystemVersion version;
    std::chrono::milliseconds stepPause = std::chrono::milliseconds(600);
};

// The version of the running system (not the compatibility version).
pages::SystemVersion RunningSystemVersion();

// Runs the page sequence on the settings.
class WizardPageRunner : public pages::PageRunner {
  public:
    WizardPageRunner(HINSTANCE instance, WizardSettings& settings, WizardServices services);
    ~WizardPageRunner() override;
    pages::PageResult Run(pages::PageId page) override;

  private:
    struct Dialogs;
    std::unique_ptr<Dialogs> dialogs_;
};

class CWizardApp {
  public:
    CWizardApp(HINSTANCE instance, WizardSettings& settings)
        : instance_(instance), settings_(settings) {}
    // The whole program; returns the process exit code (0).
    int InitInstance(const wchar_t* commandLine);

  private:
    HINSTANCE instance_;
    WizardSettings& settings_;
};

// Starts the file manager with the file selected ("explorer.exe /select,"); silent on failure.
void ShowInFileManager(const platform::WString& file);

}  // namespace wizard::win32
