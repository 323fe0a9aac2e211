// The ANSI code page of the Windows target is the system's CP_ACP.
#include <windows.h>

#include "platform/text.h"
#include "platform/win32/wide.h"

namespace platform {

std::string ToAnsi(WStringView text) {
    if (text.empty())
        return {};
    const auto* src = reinterpret_cast<const wchar_t*>(text.data());
    const int n = static_cast<int>(text.size());
    const int need = WideCharToMultiByte(CP_ACP, 0, src, n, nullptr, 0, nullptr, nullptr);
    if (need <= 0)
        return {};
    std::string out(static_cast<size_t>(need), '\0');
    WideCharToMultiByte(CP_ACP, 0, src, n, out.data(), need, nullptr, nullptr);
    return out;
}

WString FromAnsi(std::string_view text) {
    if (text.empty())
        return {};
    const int n = static_cast<int>(text.size());
    const int need = MultiByteToWideChar(CP_ACP, 0, text.data(), n, nullptr, 0);
    if (need <= 0)
        return {};
    WString out(static_cast<size_t>(need), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), n, Wide(out.data()), need);
    return out;
}

}  // namespace platform
