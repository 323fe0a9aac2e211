// Text conversions of the language library: strict UTF-8 for the files and
// Windows-1252 for keys on Linux. Pure functions; any thread may call them.
#pragma once

#include <string>
#include <string_view>

namespace langfile {

// Strict UTF-8 -> UTF-16: overlong forms, surrogates, code points above
// U+10FFFF and cut sequences give false.
bool DecodeUtf8(std::string_view text, std::u16string& out);
// Windows-1252 -> UTF-16; the five unassigned bytes map to the C1 controls.
std::u16string DecodeWindows1252(std::string_view text);
// The ANSI code page of the platform (Windows: CP_ACP; Linux: Windows-1252).
std::u16string DecodeAnsi(std::string_view text);

}  // namespace langfile
