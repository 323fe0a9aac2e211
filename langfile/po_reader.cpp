#include "langfile/po_reader.h"

#include <cstdint>
#include <unordered_set>

#include "langfile/utf_text.h"
#include "platform/text.h"

namespace langfile {
namespace {

enum class Field { None, Context, Id, Plural, Str, PluralStr };

// One entry as it is read: its texts stay UTF-8 until it is complete.
struct Entry {
    bool fuzzy = false;
    bool hasContext = false;
    bool hasId = false;
    bool plural = false;
    bool hasStr = false;
    size_t idLine = 0;
    std::string id;
    std::string str;
};

struct Failure {
    size_t line;
    std::string error;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return s.substr(i);
}

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// Reads one escape after the backslash at s[i]; advances i past it.
bool ReadEscape(std::string_view s, size_t& i, std::string& out, std::string& error) {
    if (i >= s.size()) {
        error = "unterminated string";
        return false;
    }
    const char c = s[i++];
    switch (c) {
        case 'n':
            out += '\n';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 'a':
            out += '\a';
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'v':
            out += '\v';
            return true;
        case '"':
        case '\\':
        case '\'':
        case '?':
            out += c;
            return true;
        default:
            break;
    }
    unsigned value = 0;
    if (IsOctal(c)) {
        value = static_cast<unsigned>(c - '0');
        for (int k = 0; k < 2 && i < s.size() && IsOctal(s[i]); ++k)
            value = value * 8 + static_cast<unsigned>(s[i++] - '0');
    } else if (c == 'x' && i < s.size() && platform::HexDigitValue(s[i]) >= 0) {
        for (int k = 0; k < 2 && i < s.size() && platform::HexDigitValue(s[i]) >= 0; ++k)
            value = value * 16 + static_cast<unsigned>(platform::HexDigitValue(s[i++]));
    } else {
        error = std::string("unknown escape sequence \\") + c;
        return false;
    }
    if (value == 0 || value > 0xFF) {
        error = value == 0 ? "NUL character in a string" : "escape value above 255";
        return false;
    }
    out += static_cast<char>(value);
    return true;
}

// Reads a quoted string that must be all that is left of the line.
bool ReadQuoted(std::string_view s, std::string& out, std::string& error) {
    s = TrimLeft(s);
    if (s.empty() || s[0] != '"') {
        error = "expected a quoted string";
        return false;
    }
    size_t i = 1;
    for (;;) {
        if (i >= s.size()) {
            error = "unterminated string";
            return false;
        }
        const char c = s[i++];
        if (c == '"')
            break;
        if (c == '\\') {
            if (!ReadEscape(s, i, out, error))
                return false;
        } else {
            out += c;
        }
    }
    if (!TrimLeft(s.substr(i)).empty()) {
        error = "text after the closing quote";
        return false;
    }
    return true;
}

bool CharsetIsUtf8(std::string_view header) {
    const size_t at = header.find("charset=");
    if (at == std::string_view::npos)
        return true;
    std::string name;
    for (size_t i = at + 8;
         i < header.size() && !IsBlank(header[i]) && header[i] != '\n' && header[i] != ';'; ++i)
        name +=
            static_cast<char>(header[i] >= 'a' && header[i] <= 'z' ? header[i] - 32 : header[i]);
    return name == "UTF-8" || name == "UTF8" || name == "ASCII" || name == "US-ASCII" ||
           name == "CHARSET";
}

class Reader {
  public:
    explicit Reader(Catalog& catalog) : catalog_(catalog) {}

    bool Line(std::string_view line, size_t number);
    bool End();
    const Failure& failure() const { return failure_; }

  private:
    bool Fail(size_t line, std::string error) {
        failure_ = {line, std::move(error)};
        return false;
    }
    bool Finish();
    bool Keyword(std::string_view word, std::string_view rest);
    bool Comment(std::string_view line);
    std::string* Target();

    Catalog& catalog_;
    std::unordered_set<std::string> seen_;
    Entry entry_;
    Field field_ = Field::None;
    std::string discard_;
    size_t line_ = 0;
    Failure failure_{0, {}};
};

std::string* Reader::Target() {
    switch (field_) {
        case Field::Id:
            return &entry_.id;
        case Field::Str:
            return &entry_.str;
        case Field::None:
            return nullptr;
        default:
            discard_.clear();
            return &discard_;
    }
}

bool Reader::Finish() {
    Entry entry = std::move(entry_);
    entry_ = Entry{};
    field_ = Field::None;
    if (entry.hasContext || entry.plural)
        return true;
    std::u16string id, str;
    if (!DecodeUtf8(entry.id, id) || !DecodeUtf8(entry.str, str))
        return Fail(entry.idLine, "text is not valid UTF-8");
    if (entry.id.empty()) {
        if (!CharsetIsUtf8(entry.str))
            return Fail(entry.idLine, "the header names a charset other than UTF-8");
        return true;
    }
    if (!seen_.insert(entry.id).second)
        return Fail(entry.idLine, "duplicate message definition");
    if (!entry.fuzzy && !str.empty())
        catalog_.emplace(std::move(id), std::move(str));
    return true;
}

bool Reader::Comment(std::string_view line) {
    if (entry_.hasStr && !Finish())
        return false;
    field_ = Field::None;
    if (line.substr(0, 2) == "#," && line.find("fuzzy") != std::string_view::npos)
        entry_.fuzzy = true;
    return true;
}

bool Reader::Keyword(std::string_view word, std::string_view rest) {
    if ((word == "msgctxt" || word == "msgid") && entry_.hasStr && !Finish())
        return false;
    if (word == "msgctxt") {
        if (entry_.hasContext || entry_.hasId)
            return Fail(line_, "msgctxt out of place");
        entry_.hasContext = true;
        field_ = Field::Context;
    } else if (word == "msgid") {
        if (entry_.hasId)
            return Fail(line_, "msgid follows a msgid without msgstr");
        entry_.hasId = true;
        entry_.idLine = line_;
        field_ = Field::Id;
    } else if (word == "msgid_plural") {
        if (!entry_.hasId || entry_.plural || entry_.hasStr)
            return Fail(line_, "msgid_plural out of place");
        entry_.plural = true;
        field_ = Field::Plural;
    } else if (word == "msgstr") {
        if (!entry_.hasId || entry_.plural || entry_.hasStr)
            return Fail(line_,
                        entry_.plural ? "plural entry needs msgstr[N]" : "msgstr out of place");
        entry_.hasStr = true;
        field_ = Field::Str;
    } else if (word.substr(0, 7) == "msgstr[" && word.size() > 8 && word.back() == ']' &&
               word.find_first_not_of("0123456789", 7) == word.size() - 1) {
        if (!entry_.plural)
            return Fail(line_, "msgstr[N] without msgid_plural");
        entry_.hasStr = true;
        field_ = Field::PluralStr;
    } else {
        return Fail(line_, "unknown keyword '" + std::string(word.substr(0, 40)) + "'");
    }
    std::string error;
    if (!ReadQuoted(rest, *Target(), error))
        return Fail(line_, error);
    return true;
}

bool Reader::Line(std::string_view line, size_t number) {
    line_ = number;
    line = TrimLeft(line);
    if (line.empty()) {
        field_ = Field::None;
        return true;
    }
    if (line[0] == '#')
        return Comment(line);
    if (line[0] == '"') {
        std::string* target = Target();
        if (target == nullptr)
            return Fail(line_, "string without a keyword");
        std::string error;
        if (!ReadQuoted(line, *target, error))
            return Fail(line_, error);
        return true;
    }
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '"')
        ++end;
    return Keyword(line.substr(0, end), line.substr(end));
}

bool Reader::End() {
    if (entry_.hasId && !entry_.hasStr)
        return Fail(entry_.idLine, "msgid without msgstr");
    if (entry_.hasContext && !entry_.hasId)
        return Fail(line_, "msgctxt without msgid");
    return entry_.hasStr ? Finish() : true;
}

}  // namespace

PoResult ReadPo(std::string_view text, Catalog& catalog) {
    catalog.clear();
    PoResult result;
    if (text.size() > kMaxPoSize) {
        result.line = 1;
        result.error = "file larger than 16 MiB";
        return result;
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Reader reader(catalog);
    size_t number = 0;
    bool ok = true;
    while (ok && !text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ok = reader.Line(line, ++number);
    }
    if (ok)
        ok = reader.End();
    if (!ok) {
        catalog.clear();
        result.line = reader.failure().line;
        result.error = reader.failure().error;
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace langfile
