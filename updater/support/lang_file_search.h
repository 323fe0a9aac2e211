// Finding the language file of a program: the "TranslationFolder" value that an
// installation sets in the registry, then "langfile.txt" beside the program.
// Reads the registry; any thread may call it.
#pragma once

#include <optional>

#include "platform/registry.h"
#include "platform/text.h"
#include "qo_version.h"

namespace updater {

// The maker, and its first sibling product name: the programs of the product
// look for translations under these product keys as well as their own.
constexpr char16_t kMakerName[] = u"" QO_COMPANY_NAME;
constexpr char16_t kFirstSiblingProduct[] = u"" QO_PRODUCT_NAME;
constexpr char16_t kSecondSiblingProduct[] = u"Quelix";
constexpr char16_t kDefaultLanguageFile[] = u"langfile.txt";

// "TranslationFolder" (REG_SZ, at most 260 characters) at
// "SOFTWARE\Korvane\<name>" in one hive; nothing when absent or unusable.
std::optional<platform::WString> ReadTranslationFolder(platform::Hive hive,
                                                       platform::WStringView name);

// The language file of the program at programFilePath (for example
// "...\Renovo.exe"); empty when there is none. In the registered folder,
// "<program file name>.txt" comes before "langfile.txt"; an empty value under
// HKEY_CURRENT_USER means "no language" and ends the search.
platform::WString FindLanguageFile(platform::WStringView programFilePath);

}  // namespace updater
