// Start-up of the update program on Windows: the language, the socket
// library, the desktop window as the owner of the scheduled run, the
// configuration, the main window's record, the download folder and the
// master switch (StartUp); then the scheduled check for "auto", or the
// interactive start with the main window. The exit code is the run's result.
#include <windows.h>
#include <winsock2.h>

#include <commctrl.h>

#include <ctime>

#include "platform/win32/wide.h"
#include "updater/app/startup.h"
#include "updater/app/win32/program_strings.h"
#include "updater/app/win32/win32_front_end.h"
#include "updater/app/win32/winsock_session.h"
#include "updater/install/launch.h"
#include "updater/support/lang_file.h"
#include "updater/support/win32/lang_message_box.h"
#include "updater/verify/signature_check.h"

// The main window comes with its own module; a build without it says so.
#if __has_include("updater/app/win32/main_window.h")
#include "updater/app/win32/main_window.h"
#define QO_RENOVO_HAS_MAIN_WINDOW 1
#endif

namespace updater {
namespace {

int64_t CalendarSeconds() {
    return static_cast<int64_t>(std::time(nullptr));
}

// The interactive start's main window, on startPage; its end value.
int RunInteractiveWindow(HINSTANCE instance, UpdaterState& state, UpdateServices& services,
                         int startPage) {
#ifdef QO_RENOVO_HAS_MAIN_WINDOW
    MainWindowServices windowServices{services.strings,
                                      services.starter,
                                      services.signatureCheck,
                                      services.restarter,
                                      services.clock,
                                      services.language,
                                      {},
                                      {}};
    return RunMainWindow(instance, state, windowServices, startPage);
#else
    (void)instance;
    (void)startPage;
    LangMessageBox(services.frontEnd.OwnerWindow(),
                   u"The update window is not part of this build of Renovo.", state.title,
                   MB_OK | MB_ICONERROR);
    return -1;
#endif
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
