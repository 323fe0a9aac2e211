// Start-up of the update program on Windows: the language, the socket
// library, the desktop window as the owner of the scheduled run, the
// configuration, the main window's record, the download folder and the
// master switch (StartUp); then the scheduled check for "auto", or the
// interactive start with the main window. The exit code is the run's result.
#include <windows.h>
#include <winsock2.h>

#include <commctrl.h>

#include "platform/win32/wide.h"
#include "updater/app/startup.h"
#include "updater/app/win32/main_window.h"
#include "updater/app/win32/program_strings.h"
#include "updater/app/win32/win32_front_end.h"
#include "updater/app/win32/winsock_session.h"
#include "updater/install/launch.h"
#include "updater/net/download_progress.h"
#include "updater/support/lang_file.h"
#include "updater/verify/signature_check.h"

namespace updater {
namespace {

// The interactive start's main window, on startPage; its end value.
int RunInteractiveWindow(HINSTANCE instance, UpdaterState& state, UpdateServices& services,
                         int startPage) {
    MainWindowServices windowServices{services, {}, {}};
    return RunMainWindow(instance, state, windowServices, startPage);
}

int Run(HINSTANCE instance, platform::WStringView commandLine) {
    cLangFile language;
    language.Start();
    const WinsockSession winsock;
    const HWND desktop = GetDesktopWindow();
    WindowMessageOwner desktopMessages(desktop);
    const ProgramStrings strings(instance);
    UpdaterState state;
    StartUp(state, desktopMessages, strings);

    Win32FrontEnd frontEnd(instance, desktop, strings);
    CSignatureCheck signatureCheck;
    UpdateServices services{frontEnd,       strings,           SystemProcessStarter(),
                            signatureCheck, SystemRestarter(), CalendarSeconds};
    const StartDecision decision = DecideStart(state, services, commandLine, desktopMessages);
    if (!decision.openWindow)
        return decision.exitCode;
    return RunInteractiveWindow(instance, state, services, decision.startPage);
}

}  // namespace
}  // namespace updater

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    return updater::Run(instance, platform::FromWide(commandLine));
}
