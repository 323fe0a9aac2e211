// The list of additional archive members that an installation may put beside
// the wizard as "addons.txt": one member per line, the local file name (up to
// the first white space), white space, then the member name (the rest of the
// line without trailing white space; it may hold slashes and blanks).
// Pure functions; any thread may call them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wizard {

struct AddonEntry {
    std::string localName;   // relative to the program folder, ANSI code page
    std::string memberName;  // the name inside the archive, as written
};

// Lines longer than this (line end excluded) are not read.
constexpr std::size_t kAddonsMaxLine = 65535;

// Parses one line (with or without its line end). False for a line that names
// no member: no white space after the first word, nothing after that white
// space, an empty first word, a NUL byte, or a line that is too long.
bool ParseAddonsLine(std::string_view line, AddonEntry& entry);

// Parses the whole text of addons.txt (LF or CR LF line ends), skipping lines
// that name no member.
std::vector<AddonEntry> ParseAddonsText(std::string_view text);

}  // namespace wizard
