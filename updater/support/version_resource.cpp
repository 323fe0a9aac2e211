#include "updater/support/version_resource.h"

#include <algorithm>

#include "updater/support/formatter.h"

namespace updater {

bool FindVersionValue(const VersionData& data, platform::WStringView valueName, uint16_t language,
                      platform::WString& value) {
    value.clear();
    for (const VersionTranslation& t : data.Translations()) {
        if (language != 0 && t.language != language)
            continue;
        const platform::WString path = FormatToString(260, u"\\StringFileInfo\\%04x%04x\\%s",
                                                      t.language, t.codePage, valueName);
        if (data.QueryText(path, value) && !value.empty())
            return true;
    }
    value.clear();
    return false;
}

bool VersionResourceText(platform::WStringView filePath, platform::WStringView valueName,
                         uint16_t language, platform::WString& value) {
    value.clear();
    const std::unique_ptr<VersionData> data = LoadVersionData(filePath);
    return data && FindVersionValue(*data, valueName, language, value);
}

bool VersionResourceText(platform::WStringView filePath, char16_t* out, size_t& capacity,
                         platform::WStringView valueName, uint16_t language) {
    if (out && capacity > 0)
        out[0] = 0;
    platform::WString value;
    if (!out || !VersionResourceText(filePath, valueName, language, value) ||
        value.size() >= capacity) {
        capacity = 0;
        return false;
    }
    std::copy(value.begin(), value.end(), out);
    out[value.size()] = 0;
    capacity = value.size();
    return true;
}

}  // namespace updater
