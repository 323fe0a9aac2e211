#include "updater/support/win32/module_strings.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace updater {

bool ModuleStrings::Load(unsigned id, platform::WString& text) const {
    // With a zero capacity LoadStringW gives a pointer to the resource text
    // itself, so strings of any length are read whole.
    const wchar_t* resource = nullptr;
    const int length =
        LoadStringW(static_cast<HINSTANCE>(instance_), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || resource == nullptr)
        return false;
    text = platform::FromWide(resource, static_cast<size_t>(length));
    return true;
}

}  // namespace updater
