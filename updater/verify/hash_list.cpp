#include "updater/verify/hash_list.h"

#include "platform/files.h"
#include "updater/config/config_file.h"
#include "updater/support/formatter.h"
#include "updater/verify/digest.h"

namespace updater {
namespace {

// The release value of one version file; false without one.
bool ReadReleaseValue(const platform::WString& path, platform::WString& value) {
    cConfigFile file;
    if (!file.Open(path, nullptr) || !file.FindSection(kReleaseSection))
        return false;
    // The capacity leaves room for all the characters that count.
    return file.ReadNextLine(value, kReleaseValueLength + 1);
}

}  // namespace

bool SameRelease(platform::WStringView folderA, platform::WStringView folderB,
                 platform::WStringView versionFileName) {
    platform::WString a, b;
    if (!ReadReleaseValue(platform::JoinPath(folderA, versionFileName), a) ||
        !ReadReleaseValue(platform::JoinPath(folderB, versionFileName), b)) {
        return false;
    }
    return a.substr(0, kReleaseValueLength) == b.substr(0, kReleaseValueLength);
}

platform::WString DigestSectionName(int algorithm, platform::WStringView fileName) {
    if (algorithm < 0 || static_cast<size_t>(algorithm) >= kDigestAlgorithms.size())
        return {};
    const char16_t* name = kDigestAlgorithms[static_cast<size_t>(algorithm)].name;
    return FormatToString(fileName.size() + 32, u"[COMMON_HASH_%s-%s]", name, fileName);
}

bool FileMatchesListEntry(platform::WStringView filePath, platform::WStringView versionFilePath,
                          MessageOwner& messages) {
    if (!platform::PathExists(filePath) || !platform::PathExists(versionFilePath))
        return false;
    const platform::WString fileName = platform::FileNamePart(filePath);
    cConfigFile list;
    if (!list.Open(versionFilePath, nullptr))
        return false;
    int algorithm = -1;
    for (size_t i = 0; i < kDigestAlgorithms.size() && algorithm < 0; ++i) {
        if (list.FindSection(DigestSectionName(static_cast<int>(i), fileName)))
            algorithm = static_cast<int>(i);
    }
    platform::WString expected;
    if (algorithm < 0 || !list.ReadNextLine(expected, kDigestLineCapacity))
        return false;
    platform::WString actual;
    if (!FileDigestText(filePath, algorithm, actual, kDigestLineCapacity, messages))
        return false;
    return actual == expected;
}

}  // namespace updater
