// Start-up of the wizard on Windows: common controls, the administrator test,
// and "-v" for the About box.
#include <windows.h>
#include <commctrl.h>

#include <cwchar>

#include "about_dialog.h"
#include "platform/admin.h"

namespace {

bool IsAboutOnly(const wchar_t* commandLine) {
    return commandLine != nullptr && _wcsicmp(commandLine, L"-v") == 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    if (!platform::IsAdministrator()) {
        MessageBoxW(nullptr, L"Please run Quelix Omnisweep Wizard as Administrator",
                    L"Quelix Omnisweep", MB_OK | MB_ICONERROR);
        return 0;
    }
    if (IsAboutOnly(commandLine)) {
        wizard::RunAboutDialog(instance, nullptr);
        return 0;
    }
    // The page sequence is added by the pages; with no pages there is nothing to run.
    return 0;
}
