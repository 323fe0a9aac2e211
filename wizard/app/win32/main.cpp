// The wizard program on Windows: one settings record and the start-up.
#include <windows.h>

#include "wizard/settings/wizard_settings.h"
#include "wizard_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    wizard::WizardSettings settings(wizard::DefaultSettingsEnvironment());
    wizard::win32::CWizardApp app(instance, settings);
    return app.InitInstance(commandLine);
}
