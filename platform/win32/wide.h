// Bridges between platform::WString and the wchar_t strings of the Win32 API.
// On Windows wchar_t is a UTF-16 code unit, so the two share their layout.
#pragma once

#include <string>

#include "platform/text.h"

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline const wchar_t* Wide(const WString& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline wchar_t* Wide(char16_t* s) {
    return reinterpret_cast<wchar_t*>(s);
}
inline WString FromWide(const wchar_t* s) {
    return s ? WString(reinterpret_cast<const char16_t*>(s)) : WString();
}
inline WString FromWide(const wchar_t* s, size_t n) {
    return WString(reinterpret_cast<const char16_t*>(s), n);
}

}  // namespace platform
