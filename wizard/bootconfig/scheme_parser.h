// Scheme file parser: reads a ".sch" file far enough to learn its display name
// and to count and weigh its passes. Passes are only classified, never
// interpreted; the files go onto the medium unchanged.
//
// Pure functions over bytes (plus one file read); any thread may call them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "wizard/bootconfig/wipe_scheme.h"

namespace wizard {

// Pass type codes as the wizard classifies a pass line.
enum class PassType : int32_t {
    Pattern = 0,
    Random = 1,
    Complement = 2,
    Test = 3,
    Zero = 4,
};
constexpr int32_t kPassVerifyFlag = 0x80;

// Repeat counts of one pattern line add up to at most this many bytes.
constexpr int32_t kMaxPatternLength = 65536;

// Longest line the parser looks at in one piece; a longer line is read as
// several lines of at most kSchemeLineBuffer - 1 bytes.
constexpr size_t kSchemeLineBuffer = 2048;

// The classification of one (already lower-cased) line.
struct PassLine {
    PassType type = PassType::Pattern;
    bool verify = false;
};

// Classifies a lower-cased line: a keyword pass, or a valid byte pattern;
// nullopt when the line is no valid pass.
std::optional<PassLine> ClassifyPassLine(std::string_view lowerLine);

// Total repeat count of the byte pattern after the first "." of the line
// (0 when there is none), cut at kMaxPatternLength.
int32_t PatternLength(std::string_view lowerLine);

// The bytes of that pattern, PatternLength(lowerLine) of them: "+N XX" gives N
// copies of the byte XX, a lone "XX" one; a number wider than a byte gives its
// low byte (as a byte variable would keep it).
std::string PatternBytes(std::string_view lowerLine);

// Parses the whole text of a scheme file into DisplayName, PassCount and
// SchemeWeight of scheme (the path fields are left alone). True when the file
// belongs in the catalogue: a non-empty name and at least one valid pass.
bool ParseSchemeText(std::string_view text, WipeScheme& scheme);

// One valid pass line of a scheme, as the wiping environment executes it.
struct SchemePass {
    PassType type = PassType::Pattern;
    bool verify = false;  // "verify" in the line: read back and compare
    std::string pattern;  // the bytes of a Pattern pass
};

// The display name and the valid pass lines of a scheme text, in file order,
// by the same grammar as ParseSchemeText (the passes it counts are exactly
// these). False when the file does not belong in the catalogue.
bool ParseSchemePasses(std::string_view text, std::string& displayName,
                       std::vector<SchemePass>& passes);

// Reads and parses the file at path; false when it cannot be read or is not
// accepted. Files larger than kMaxSchemeFileBytes are refused.
constexpr uint64_t kMaxSchemeFileBytes = 16u * 1024 * 1024;
bool ParseSchemeFile(platform::WStringView path, WipeScheme& scheme);

}  // namespace wizard
