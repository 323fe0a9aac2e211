#include "updater/support/lang_file_search.h"

#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace updater {
namespace {

using platform::WString;
using platform::WStringView;

constexpr size_t kMaxFolderLength = 260;

bool EndsWithIgnoreCase(WStringView text, WStringView end) {
    return text.size() >= end.size() &&
           platform::EqualsIgnoreCase(text.substr(text.size() - end.size()), end);
}

WString ModuleName(WStringView fileName) {
    if (EndsWithIgnoreCase(fileName, u".exe") || EndsWithIgnoreCase(fileName, u".dll"))
        fileName.remove_suffix(4);
    return WString(fileName);
}

enum class Lookup { Absent, NoLanguage, Found };

// The registered folder for one product name: HKEY_CURRENT_USER (an empty value
// there means no language), then a non-empty HKEY_LOCAL_MACHINE value.
Lookup FindFolder(WStringView name, WString& folder) {
    if (auto user = ReadTranslationFolder(platform::Hive::CurrentUser, name)) {
        folder = *user;
        return folder.empty() ? Lookup::NoLanguage : Lookup::Found;
    }
    if (auto machine = ReadTranslationFolder(platform::Hive::LocalMachine, name)) {
        if (!machine->empty()) {
            folder = *machine;
            return Lookup::Found;
        }
    }
    return Lookup::Absent;
}

bool IsFile(const WString& path) {
    return platform::PathExists(path) && !platform::IsFolder(path);
}

}  // namespace

std::optional<WString> ReadTranslationFolder(platform::Hive hive, WStringView name) {
    platform::RegistryKey key;
    const WString path = WString(u"SOFTWARE\\") + kMakerName + u"\\" + WString(name);
    if (key.Open(hive, path, platform::kKeyQueryValue) != platform::kErrorSuccess)
        return std::nullopt;
    platform::StringValue value;
    if (key.QueryString(u"TranslationFolder", value) != platform::kErrorSuccess ||
        value.type != platform::kRegSz)
        return std::nullopt;
    if (value.text.size() > kMaxFolderLength)
        return std::nullopt;  // longer than any folder the product registers
    return value.text;
}

WString FindLanguageFile(WStringView programFilePath) {
    const WString fileName = platform::FileNamePart(programFilePath);
    std::vector<WString> names{ModuleName(fileName)};
    if (!WStringView(fileName).starts_with(kFirstSiblingProduct)) {
        names.emplace_back(kFirstSiblingProduct);
        names.emplace_back(kSecondSiblingProduct);
    }
    for (const WString& name : names) {
        WString folder;
        const Lookup lookup = FindFolder(name, folder);
        if (lookup == Lookup::Absent)
            continue;
        if (lookup == Lookup::NoLanguage)
            return {};
        if (folder.back() != u'\\' && folder.back() != u'/')
            folder += platform::kPathSeparator;
        if (IsFile(folder + fileName + u".txt"))
            return folder + fileName + u".txt";
        if (IsFile(folder + kDefaultLanguageFile))
            return folder + kDefaultLanguageFile;
        break;
    }
    const WString beside =
        platform::JoinPath(platform::ParentFolder(programFilePath), kDefaultLanguageFile);
    return IsFile(beside) ? beside : WString();
}

}  // namespace updater
