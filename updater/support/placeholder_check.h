// Whether a translated pattern may stand in for its English key: both must
// take the same arguments from a formatter call, so a translation can reorder
// what it shows but never make the formatter read a different argument list.
// Pure functions; any thread may call them.
#pragma once

#include <string>

#include "platform/text.h"

namespace updater {

// The argument classes a pattern takes from the call, in order: 's' string,
// 'i' 4-byte integer (also a "*" width), 'L' 8-byte integer, 'f' floating,
// 'p' pointer, 'n' the skipped argument of "%n". "%N" takes strings until N
// have been taken; "%0" ends the pattern; "%%" and unreadable specifications
// take nothing.
std::string PatternArguments(platform::WStringView pattern);

// The translation's placeholders agree with the key's: the placeholders
// correspond in shape ("%%" skipped; the first placeholder of each, then in
// step; positional ones by their count), and both take the same arguments.
// A key ending with "%" needs only the same arguments.
bool PlaceholdersAgree(platform::WStringView translation, platform::WStringView key);

}  // namespace updater
