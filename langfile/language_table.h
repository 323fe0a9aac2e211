// The languages the library has loaded, by handle. Loading and resetting take
// the table exclusively; lookups share it, so any number of threads may
// translate at once. Any thread may call these.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "langfile/po_reader.h"

namespace langfile {

struct Language {
    Catalog catalog;
    std::atomic<bool> rightToLeft{false};  // direction of translated dialog texts
};

// Reads and parses a language file (UTF-16 path). On failure error says why,
// prefixed with the file name and line ("de.po:12: unterminated string").
bool LoadLanguageFile(const std::u16string& path, Language& language, std::string& error);
// Reads a whole file of at most kMaxPoSize bytes (a regular file only).
bool ReadWholeFile(const std::u16string& path, std::string& bytes, std::string& error);

// Registers a language and returns its handle (1, 2, ...; never reused).
int AddLanguage(std::shared_ptr<Language> language);
// Removes a language; an unknown handle is ignored.
void RemoveLanguage(int handle);
// The language of a handle, null when unknown. The pointer keeps the language
// alive after a concurrent RemoveLanguage.
std::shared_ptr<Language> FindLanguage(int handle);

}  // namespace langfile
