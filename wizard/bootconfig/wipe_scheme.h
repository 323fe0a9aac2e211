// WipeScheme: one scheme file of the "schemes" folder as the wizard sees it.
// Plain data; any thread may use a copy.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace wizard {

struct WipeScheme {
    // Text between "[" and the last "]" of the header line (from the ANSI code
    // page), or "User-defined" for a file that starts with a numbered line.
    platform::WString DisplayName;
    // Full path of the file: schemes folder + separator + FileName.
    platform::WString FilePath;
    // The file name as the folder listing returns it, extension included; the
    // boot configuration names the scheme on the medium by it.
    platform::WString FileName;
    // Number of valid pass lines (at least 1 for a catalogue entry).
    int32_t PassCount = 0;
    // Weighted pass count; the catalogue is ordered by it, highest first.
    int32_t SchemeWeight = 0;
};

// The ordered catalogue; positions are the scheme indices of the settings.
using SchemeList = std::vector<WipeScheme>;

}  // namespace wizard
