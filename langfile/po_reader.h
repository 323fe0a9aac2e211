// Reader of gettext .po files, the language library's file format.
//
// Accepts what translators' tools write: comments, flags, msgctxt, msgid,
// msgid_plural, msgstr and msgstr[N], strings continued over several lines,
// and the C escapes. Keeps only the entries that translate one text: context
// and plural entries, fuzzy entries, the header and untranslated entries are
// skipped. The text must be UTF-8 (a byte order mark is allowed); a header that
// names another charset is refused. Any malformed input gives an error naming
// the line, never a crash; work is linear in the size of the text.
// Pure functions; any thread may call them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace langfile {

using Catalog = std::unordered_map<std::u16string, std::u16string>;

struct PoResult {
    bool ok = false;
    size_t line = 0;    // line of the first error (1-based), 0 when ok
    std::string error;  // what is wrong there
};

// Largest file accepted (a language file is a few hundred kilobytes at most).
constexpr size_t kMaxPoSize = 16u << 20;

// Parses text into catalog (msgid -> msgstr, both UTF-16). On failure the
// catalog is left empty.
PoResult ReadPo(std::string_view text, Catalog& catalog);

}  // namespace langfile
