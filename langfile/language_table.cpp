#include "langfile/language_table.h"

#include <map>
#include <mutex>
#include <shared_mutex>

#include "langfile/utf_text.h"

namespace langfile {
namespace {

struct Table {
    std::shared_mutex mutex;
    std::map<int, std::shared_ptr<Language>> languages;
    int next = 1;
};

Table& TheTable() {
    static Table table;
    return table;
}

bool EqualsIgnoreCase(const std::u16string& a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char16_t x = a[i] >= u'a' && a[i] <= u'z' ? a[i] - 32 : a[i];
        const char16_t y = b[i] >= u'a' && b[i] <= u'z' ? b[i] - 32 : b[i];
        if (x != y)
            return false;
    }
    return true;
}

std::string FileName(const std::u16string& path) {
    const size_t slash = path.find_last_of(u"\\/");
    std::string name;
    for (const char16_t c : path.substr(slash == std::u16string::npos ? 0 : slash + 1))
        name += c < 0x80 ? static_cast<char>(c) : '?';
    return name;
}

}  // namespace

bool LoadLanguageFile(const std::u16string& path, Language& language, std::string& error) {
    std::string bytes;
    if (!ReadWholeFile(path, bytes, error)) {
        error = FileName(path) + ": " + error;
        return false;
    }
    const PoResult result = ReadPo(bytes, language.catalog);
    if (!result.ok) {
        error = FileName(path) + ":" + std::to_string(result.line) + ": " + result.error;
        return false;
    }
    const auto direction = language.catalog.find(u"RightToLeft");
    language.rightToLeft =
        direction != language.catalog.end() && EqualsIgnoreCase(direction->second, u"TRUE");
    return true;
}

int AddLanguage(std::shared_ptr<Language> language) {
    Table& table = TheTable();
    std::unique_lock lock(table.mutex);
    const int handle = table.next++;
    table.languages.emplace(handle, std::move(language));
    return handle;
}

void RemoveLanguage(int handle) {
    Table& table = TheTable();
    std::unique_lock lock(table.mutex);
    table.languages.erase(handle);
}

std::shared_ptr<Language> FindLanguage(int handle) {
    Table& table = TheTable();
    std::shared_lock lock(table.mutex);
    const auto found = table.languages.find(handle);
    return found == table.languages.end() ? nullptr : found->second;
}

}  // namespace langfile
