// The updater's text formatter: printf-like conversions plus positional
// placeholders "%1" to "%9", so that a translated pattern may show its
// arguments in another order. It never writes past the buffer it is given.
//
// Pattern rules, after a "%":
//   "%%"          a percent sign.
//   "%N"          (N a number, not followed by a conversion letter, nor by
//                 ".", digits and a letter; or any number once a placeholder
//                 has occurred in the pattern) the
//                 N-th argument as text; "%0" ends the output there. A null
//                 string, or an argument that was not given, shows "<Null>".
//   "%s" "%S"     a UTF-16 string; null gives "NULL". A width below 512 pads
//                 with spaces (on the right after "-"); ".N" keeps N characters.
//   "%C"          one UTF-16 character.
//   "%P"          N spaces for a count N from 0 to 511, else "'Invalid value'".
//   "%p"          a pointer as "0x" and its hexadecimal digits.
//   "%n"          is copied as text (its argument is skipped, nothing is written).
//   others        (c d i o u x X e E f g G, with flags "-+0 #", width, ".",
//                 precision and size "h", "l", "I", "I32", "I64", "ll") go
//                 through the C library's snprintf. Widths of 512 or more are
//                 ignored; precisions are capped at 511.
// A conversion whose argument is missing or of a kind it cannot show is copied
// as its own text ("%d"); an unreadable specification is copied as "%" and the
// character after it. Integers, floating numbers and pointers given to "%s" or
// to a placeholder show as their decimal or "0x" text.
//
// The output is always terminated when the capacity (in characters, with the
// terminator) is at least 1; a piece that does not fit is cut and formatting
// stops there, so a cut output is always a prefix of the full one.
//
// Pure functions; any thread may call them.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "platform/text.h"
#include "updater/support/format_arg.h"

namespace updater {

// Formats into out (capacity characters including the terminator) and returns
// out. A null pattern gives an empty text; a null out or capacity 0 writes
// nothing.
char16_t* FormatArgs(char16_t* out, size_t capacity, platform::WStringView pattern,
                     std::span<const FormatArg> args);

template <typename... Args>
char16_t* Format(char16_t* out, size_t capacity, const char16_t* pattern, const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return FormatArgs(out, capacity, pattern ? platform::WStringView(pattern) : u"", list);
}

// The same with a pattern held in a string or view (a translated text).
template <typename... Args>
char16_t* Format(char16_t* out, size_t capacity, platform::WStringView pattern,
                 const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return FormatArgs(out, capacity, pattern, list);
}

// The same into a string, formatted into a buffer of capacity characters
// (the text is at most capacity - 1 characters long).
platform::WString FormatArgsToString(size_t capacity, platform::WStringView pattern,
                                     std::span<const FormatArg> args);

template <typename... Args>
platform::WString FormatToString(size_t capacity, platform::WStringView pattern,
                                 const Args&... args) {
    const std::array<FormatArg, sizeof...(Args)> list{FormatArg(args)...};
    return FormatArgsToString(capacity, pattern, list);
}

}  // namespace updater
