// Comparison of two version texts such as "1.2.3.4" or "1,2,3,4".
// Pure function; any thread may call it.
#pragma once

#include "platform/text.h"

namespace updater {

// Reads up to four numbers from each text, separated by "." (or by "," when
// the dotted reading finds only one number); fields not read are 0. Returns 0
// when all four fields are equal, otherwise the first difference (A's field
// minus B's, limited to the int range). fieldCount is the smaller number of
// fields read from the two texts (0 when a text does not start with a number).
int CompareVersions(platform::WStringView a, platform::WStringView b, int& fieldCount);

}  // namespace updater
