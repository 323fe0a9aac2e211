// Text: the UTF-16 string type both programs use inside, and conversions to the
// narrow encodings at the edges (ANSI code page for boot-medium files and names,
// UTF-8 for POSIX calls and files meant for people).
//
// Windows: the ANSI code page is CP_ACP; characters it cannot hold become its
// default character. Linux: Windows-1252; characters it cannot hold become '?'.
// Pure functions; any thread may call them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// UTF-16 text, one code unit per char16_t, on both targets.
using WString = std::u16string;
using WStringView = std::u16string_view;

// UTF-16 -> ANSI code page. Unmappable characters become the default character.
std::string ToAnsi(WStringView text);
// ANSI code page -> UTF-16. Every byte maps to a character.
WString FromAnsi(std::string_view text);

// UTF-16 -> UTF-8. Unpaired surrogates become U+FFFD.
std::string ToUtf8(WStringView text);
// UTF-8 -> UTF-16. Malformed sequences become U+FFFD, one per maximal bad run.
WString FromUtf8(std::string_view text);

// Windows-1252 on every target (used by the Linux ANSI code page and by tests).
std::string ToWindows1252(WStringView text, char unmappable = '?');
WString FromWindows1252(std::string_view text);

// UTF-16 text as little-endian bytes (the form of registry strings and of
// Windows' UTF-16 files), without a terminator.
std::vector<uint8_t> ToUtf16LeBytes(WStringView text);
// Little-endian UTF-16 bytes read the way Win32 string calls read them: the
// units before the first NUL (all of them when there is none; an odd last byte
// is ignored). nulFound, when given, tells whether a NUL unit ended the text.
WString FromUtf16LeBytes(std::span<const uint8_t> bytes, bool* nulFound = nullptr);

// The value of a hexadecimal digit (either case), or -1 for any other character.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// ASCII-only case folding, as used for registry and configuration names.
char16_t AsciiLower(char16_t c);
bool EqualsIgnoreCase(WStringView a, WStringView b);

}  // namespace platform
