// Text values of a file's version resource ("FileVersion", "ProductVersion",
// "LegalCopyright", ...), looked up through its list of translations.
//
// Windows: the file's VERSIONINFO resource. Linux: the version data this
// build embeds in the program (the same values, for language 0x0409 and code
// page 1200), found for the running program's own file; other files have none.
// Any thread may call these functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/text.h"

namespace updater {

// One entry of "\VarFileInfo\Translation".
struct VersionTranslation {
    uint16_t language = 0;
    uint16_t codePage = 0;
};

// A loaded version resource, queried by sub-block path.
class VersionData {
  public:
    virtual ~VersionData() = default;
    // The (language, code page) pairs; empty when the list is missing.
    virtual std::vector<VersionTranslation> Translations() const = 0;
    // The text at a path such as "\StringFileInfo\040904b0\FileVersion";
    // false when there is none.
    virtual bool QueryText(platform::WStringView subBlock, platform::WString& value) const = 0;
};

// The version resource of a file; null when it has none or cannot be read.
// (One implementation per target.)
std::unique_ptr<VersionData> LoadVersionData(platform::WStringView filePath);

// The first non-empty value named valueName under the translations of data,
// only those of the given language unless language is 0. False when none.
bool FindVersionValue(const VersionData& data, platform::WStringView valueName, uint16_t language,
                      platform::WString& value);

// Reads a value from a file's version resource into out. capacity: in, the
// size of out in characters (with the terminator); out, the value's length.
// True when a non-empty value was found and fits with its terminator; on
// false, out holds an empty text (when capacity allows) and capacity is 0.
bool VersionResourceText(platform::WStringView filePath, char16_t* out, size_t& capacity,
                         platform::WStringView valueName, uint16_t language = 0);

// The same into a string; false when no non-empty value was found.
bool VersionResourceText(platform::WStringView filePath, platform::WStringView valueName,
                         uint16_t language, platform::WString& value);

}  // namespace updater
