// Test support under Wine: removes the settings key of the private prefix, so
// each test starts from a first run.
#include <windows.h>

#include "wizard/settings/wizard_settings.h"

namespace wizard {

bool DeleteSettingsKeyForTest() {
    const platform::WString path(kSettingsKeyPath);
    const std::wstring wide(path.begin(), path.end());
    const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, wide.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace wizard
