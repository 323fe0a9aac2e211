// StrFromTimeIntervalW of shlwapi.dll, loaded by name on first use and kept
// for the rest of the run.
#include <windows.h>

#include <mutex>

#include "platform/library.h"
#include "updater/net/time_span_text.h"

namespace updater {
namespace {

using StrFromTimeIntervalFn = int WINAPI(wchar_t*, UINT, DWORD, int);

StrFromTimeIntervalFn* Formatter() {
    static platform::Library library;
    static StrFromTimeIntervalFn* function = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        if (library.LoadSystem(u"shlwapi.dll"))
            platform::ResolveInto(library, {platform::Entry("StrFromTimeIntervalW", function)});
    });
    return function;
}

}  // namespace

std::optional<platform::WString> SystemIntervalText(uint32_t milliseconds, int digits) {
    StrFromTimeIntervalFn* format = Formatter();
    if (format == nullptr)
        return std::nullopt;
    wchar_t text[128] = {};
    const int length = format(text, 128, milliseconds, digits);
    if (length <= 0)
        return std::nullopt;
    return platform::WString(reinterpret_cast<const char16_t*>(text), static_cast<size_t>(length));
}

}  // namespace updater
