#include "wizard/bootconfig/scheme_catalogue.h"

#include <algorithm>
#include <vector>

#include "platform/files.h"
#include "wizard/bootconfig/scheme_parser.h"

namespace wizard {
namespace {

constexpr char16_t kSchemePattern[] = u"*.sch";

bool StartsWith(platform::WStringView text, platform::WStringView prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

platform::WString DefaultSchemesFolder() {
    return platform::JoinPath(platform::ProgramFolder(), u"schemes");
}

void SortSchemes(SchemeList& schemes) {
    std::stable_sort(schemes.begin(), schemes.end(), [](const WipeScheme& a, const WipeScheme& b) {
        return a.SchemeWeight > b.SchemeWeight;
    });
}

void PickRecommendedSchemes(const SchemeList& schemes, SchemeIndices indices) {
    for (size_t i = 0; i < schemes.size(); ++i) {
        const platform::WString& name = schemes[i].DisplayName;
        const auto index = static_cast<int32_t>(i);
        if (StartsWith(name, kRecommendedHddScheme)) {
            indices.hdd = index;
        } else if (StartsWith(name, kRecommendedSsdScheme)) {
            indices.ssd = index;
            indices.hybrid = index;
        } else if (StartsWith(name, kRecommendedRemovableScheme)) {
            indices.removables = index;
        }
    }
}

bool RescanSchemes(platform::WStringView folder, SchemeList& schemes, SchemeIndices indices) {
    schemes.clear();
    std::vector<platform::FolderEntry> entries;
    if (!platform::ListFolder(folder, entries))
        return false;
    bool anyFile = false;
    for (const platform::FolderEntry& entry : entries) {
        if (entry.isFolder || !platform::MatchesWildcard(kSchemePattern, entry.name))
            continue;
        anyFile = true;
        WipeScheme scheme;
        scheme.FileName = entry.name;
        scheme.FilePath = platform::JoinPath(folder, entry.name);
        if (ParseSchemeFile(scheme.FilePath, scheme))
            schemes.push_back(std::move(scheme));
    }
    if (!anyFile)
        return false;
    SortSchemes(schemes);
    const bool allZero =
        indices.hdd == 0 && indices.ssd == 0 && indices.removables == 0 && indices.hybrid == 0;
    if (allZero && !schemes.empty())
        PickRecommendedSchemes(schemes, indices);
    return true;
}

}  // namespace wizard
