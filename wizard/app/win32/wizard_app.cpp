#include "wizard_app.h"

#include <commctrl.h>

#include <cwchar>

#include "about_dialog.h"
#include "page_dialogs.h"
#include "platform/admin.h"
#include "platform/win32/wide.h"
#include "progress_dialog.h"
#include "qo_version.h"
#include "resource.h"
#include "wizard/netshare/win32/win32_popup.h"
#include "wizard/netshare/win32/win32_share_platform.h"

// The wait popup loads its template, icon and text from the program's resources.
static_assert(IDD_WAIT_POPUP == wizard::netshare::kWaitPopupTemplate &&
              IDI_WAIT == wizard::netshare::kWaitPopupIcon &&
              IDC_WAIT_TEXT == wizard::netshare::kWaitPopupText &&
              IDS_SHARE_CHECK_WAIT == wizard::netshare::kWaitPopupString);

namespace wizard::win32 {

pages::SystemVersion RunningSystemVersion() {
    // GetVersionEx answers with the version of the program's manifest; the
    // system library tells the real one.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto get = reinterpret_cast<RtlGetVersionFunction>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (get && get(&info) == 0)
            return {info.dwMajorVersion, info.dwMinorVersion};
    }
    return {};
}

struct WizardPageRunner::Dialogs {
    Dialogs(HINSTANCE i, WizardSettings& s, WizardServices& services)
        : start(i, s, services.version),
          usb(i, s, services.disks),
          iso(i, s),
          workMode(i, s),
          wipeSettings(i, s),
          logging(i, s, services.shareTester),
          summary(i, s),
          summaryIso(i, s),
          progress(i, s, services.builders, services.stepPause),
          finish(i, s) {}
    CWizardStartDlg start;
    CSelectUsbDiskDlg usb;
    CIsoImagePathDlg iso;
    CWorkmodeDlg workMode;
    CWipeSettingsDlg wipeSettings;
    CLoggingDlg logging;
    CSummaryDlg summary;
    CSummaryIsoDlg summaryIso;
    CProgressDlg progress;
    CFinishDlg finish;
};

WizardPageRunner::WizardPageRunner(HINSTANCE instance, WizardSettings& settings,
                                   WizardServices services)
    : dialogs_(std::make_unique<Dialogs>(instance, settings, services)) {}

WizardPageRunner::~WizardPageRunner() = default;

pages::PageResult WizardPageRunner::Run(pages::PageId page) {
    Dialogs& d = *dialogs_;
    switch (page) {
        case pages::PageId::Start:
            return d.start.DoModal();
        case pages::PageId::UsbDrive:
            return d.usb.DoModal();
        case pages::PageId::IsoPath:
            return d.iso.DoModal();
        case pages::PageId::WorkMode:
            return d.workMode.DoModal();
        case pages::PageId::WipeSettings:
            return d.wipeSettings.DoModal();
        case pages::PageId::Logging:
            return d.logging.DoModal();
        case pages::PageId::UsbSummary:
            return d.summary.DoModal();
        case pages::PageId::IsoSummary:
            return d.summaryIso.DoModal();
        case pages::PageId::Progress:
            return d.progress.DoModal();
        case pages::PageId::Finish:
            return d.finish.DoModal();
    }
    return pages::PageResult::Cancel;
}

void ShowInFileManager(const platform::WString& file) {
    wchar_t windows[MAX_PATH] = {};
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return;
    platform::WString command =
        platform::FromWide(windows, n) + u"\\explorer.exe /select, \"" + file + u"\"";
    if (command.size() > 520)
        return;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, platform::Wide(command.data()), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

int CWizardApp::InitInstance(const wchar_t* commandLine) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    if (!platform::IsAdministrator()) {
        MessageBoxW(nullptr, L"Please run " QO_PRODUCT_NAME " Wizard as Administrator",
                    L"" QO_PRODUCT_NAME, MB_OK | MB_ICONERROR);
        return 0;
    }
    settings_.LoadSettings();
    if (commandLine && _wcsicmp(commandLine, L"-v") == 0) {
        RunAboutDialog(instance_, nullptr);
        return 0;
    }
    pages::SystemUsbDiskSource disks;
    netshare::Win32SharePlatform sharePlatform;
    pages::PlatformShareTester shareTester(sharePlatform, [this](void* pageWindow) {
        return std::make_unique<netshare::Win32PopupSystem>(instance_,
                                                            static_cast<HWND>(pageWindow));
    });
    pages::ProgramMediaBuilders builders;
    {
        WizardPageRunner runner(instance_, settings_,
                                {disks, shareTester, builders, RunningSystemVersion()});
        pages::RunPageSequence(runner, settings_);
    }
    if (pages::ShouldOpenIsoFolder(settings_))
        ShowInFileManager(*settings_.IsoPath);
    return 0;
}

}  // namespace wizard::win32
