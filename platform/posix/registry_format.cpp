#include "platform/posix/registry_format.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>
#include <utility>

#include "platform/registry.h"

namespace platform::regfile {
namespace {

constexpr WStringView kHeader = u"Windows Registry Editor Version 5.00";
// Hex lines are wrapped so that no line, backslash included, is longer.
constexpr size_t kMaxLineWidth = 80;
constexpr WStringView kContinuationIndent = u"  ";

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t';
}
bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

WStringView TrimLeft(WStringView s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    return s;
}

WStringView TrimRight(WStringView s) {
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

WStringView Trim(WStringView s) {
    return TrimLeft(TrimRight(s));
}

bool StartsWithIgnoreCase(WStringView s, WStringView prefix) {
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

// Surrogates must come in high-low pairs.
bool IsWellFormedUtf16(WStringView s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsHighSurrogate(s[i])) {
            if (i + 1 >= s.size() || !IsLowSurrogate(s[i + 1]))
                return false;
            ++i;
        } else if (IsLowSurrogate(s[i])) {
            return false;
        }
    }
    return true;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// One to max_digits hex digits, nothing else.
bool ParseHexNumber(WStringView s, size_t max_digits, uint32_t& out) {
    if (s.empty() || s.size() > max_digits)
        return false;
    uint32_t v = 0;
    for (const char16_t c : s) {
        const int d = HexDigit(c);
        if (d < 0)
            return false;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    out = v;
    return true;
}

// The text of a file as UTF-16. Malformed input is refused rather than
// repaired: a repaired string written back would change the stored data.
bool DecodeText(std::string_view bytes, WString& text) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        if (bytes.size() % 2 != 0)
            return false;
        text.clear();
        text.reserve(bytes.size() / 2);
        for (size_t i = 2; i < bytes.size(); i += 2) {
            text += static_cast<char16_t>(byte(i) | (byte(i + 1) << 8));
        }
        return IsWellFormedUtf16(text);
    }
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        bytes.remove_prefix(3);
    }
    text = FromUtf8(bytes);
    return ToUtf8(text) == bytes;
}

std::vector<WStringView> SplitLines(WStringView text) {
    std::vector<WStringView> lines;
    while (true) {
        const size_t end = text.find(u'\n');
        WStringView line = text.substr(0, end);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == WStringView::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::vector<WStringView> SplitPath(WStringView path) {
    std::vector<WStringView> parts;
    while (true) {
        const size_t end = path.find(u'\\');
        parts.push_back(path.substr(0, end));
        if (end == WStringView::npos)
            break;
        path.remove_prefix(end + 1);
    }
    return parts;
}

// The character an escape in a quoted string stands for, or 0 for none.
// regedit writes \\ and \"; it also writes a line break inside a string as
// \n (or \r), which we read but never write (such strings go out as hex).
char16_t Unescape(char16_t c) {
    switch (c) {
        case u'\\':
        case u'"':
            return c;
        case u'n':
            return u'\n';
        case u'r':
            return u'\r';
        default:
            return 0;
    }
}

// Strings in the file: "...", escaped with a backslash.
bool ParseQuoted(WStringView s, size_t& pos, WString& out) {
    if (pos >= s.size() || s[pos] != u'"')
        return false;
    out.clear();
    for (++pos; pos < s.size(); ++pos) {
        char16_t c = s[pos];
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c < 0x20)
            return false;
        if (c == u'\\') {
            c = ++pos < s.size() ? Unescape(s[pos]) : 0;
            if (c == 0)
                return false;
        }
        out += c;
    }
    return false;
}

void AppendQuoted(WString& out, WStringView s) {
    out += u'"';
    for (const char16_t c : s) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        out += c;
    }
    out += u'"';
}

std::vector<uint8_t> StringBytes(WStringView text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// The readable "..." form holds a REG_SZ only when it gives back the same
// bytes: one NUL-terminated, well-formed UTF-16 string that fits on one line.
bool ReadableString(const std::vector<uint8_t>& data, WString& text) {
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    text.clear();
    for (size_t i = 0; i + 2 < data.size(); i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c < 0x20)
            return false;  // also an embedded NUL
        text += c;
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0)
        return false;
    return IsWellFormedUtf16(text);
}

// Comma-separated bytes of one or two hex digits each; empty means no bytes.
bool ParseByteList(WStringView s, std::vector<uint8_t>& out) {
    out.clear();
    s = Trim(s);
    if (s.empty())
        return true;
    while (true) {
        const size_t comma = s.find(u',');
        uint32_t v = 0;
        if (!ParseHexNumber(Trim(s.substr(0, comma)), 2, v))
            return false;
        out.push_back(static_cast<uint8_t>(v));
        if (comma == WStringView::npos)
            return true;
        s.remove_prefix(comma + 1);
    }
}

// Sections name a key from one of the registry's roots; anything else (such
// as regedit's "[-HKEY_...]" deletion) is not store content.
bool HasKnownRoot(WStringView path) {
    const WStringView root = path.substr(0, path.find(u'\\'));
    for (const WStringView known : {u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE",
                                    u"HKEY_CLASSES_ROOT", u"HKEY_USERS", u"HKEY_CURRENT_CONFIG"}) {
        if (EqualsIgnoreCase(root, known))
            return true;
    }
    return false;
}

class Parser {
  public:
    explicit Parser(std::vector<WStringView> lines) : lines_(std::move(lines)) {}

    bool Run(Document& doc) {
        if (lines_.empty() || TrimRight(lines_[0]) != kHeader)
            return false;
        for (next_ = 1; next_ < lines_.size();) {
            const WStringView line = Trim(lines_[next_++]);
            if (line.empty() || line.front() == u';')
                continue;
            const bool ok = line.front() == u'[' ? ParseSection(doc, line) : ParseValue(doc, line);
            if (!ok)
                return false;
        }
        return true;
    }

  private:
    // [full key path]; the path runs to the last ']' of the line, so key
    // names may hold ']' themselves.
    bool ParseSection(Document& doc, WStringView line) {
        if (line.size() < 2 || line.back() != u']')
            return false;
        const WStringView path = line.substr(1, line.size() - 2);
        if (!IsStorableKeyPath(path) || !HasKnownRoot(path))
            return false;
        const auto [slot, added] = sectionIndex_.try_emplace(Folded(path), doc.sections.size());
        if (added) {
            doc.sections.push_back(Section{WString(path), {}});
            valueIndex_.emplace_back();
        }
        current_ = static_cast<std::ptrdiff_t>(slot->second);
        return true;
    }

    // "name"=data or @=data, inside a section.
    bool ParseValue(Document& doc, WStringView line) {
        if (current_ < 0)
            return false;
        Value value;
        size_t pos = 0;
        if (line.front() == u'@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, value.name) || !IsStorableName(value.name)) {
            return false;
        }
        const WStringView rest = TrimLeft(line.substr(pos));
        if (rest.empty() || rest.front() != u'=')
            return false;
        if (!ParseData(TrimLeft(rest.substr(1)), value))
            return false;
        // A value named twice: the later one wins, in the place of the first.
        std::vector<Value>& values = doc.sections[static_cast<size_t>(current_)].values;
        const auto [slot, added] = valueIndex_[static_cast<size_t>(current_)].try_emplace(
            Folded(value.name), values.size());
        if (added) {
            values.push_back(std::move(value));
        } else {
            values[slot->second] = std::move(value);
        }
        return true;
    }

    bool ParseData(WStringView s, Value& value) {
        if (!s.empty() && s.front() == u'"') {
            size_t pos = 0;
            WString text;
            if (!ParseQuoted(s, pos, text) || pos != s.size())
                return false;
            value.type = kRegSz;
            value.data = StringBytes(text);
            return true;
        }
        if (StartsWithIgnoreCase(s, u"dword:")) {
            uint32_t v = 0;
            if (!ParseHexNumber(s.substr(6), 8, v))
                return false;
            value.type = kRegDword;
            value.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
            return true;
        }
        if (StartsWithIgnoreCase(s, u"hex"))
            return ParseHex(s.substr(3), value);
        return false;
    }

    // ":bytes" (REG_BINARY) or "(type):bytes", the bytes possibly continued
    // over several lines, each but the last ending in a backslash.
    bool ParseHex(WStringView s, Value& value) {
        value.type = kRegBinary;
        if (!s.empty() && s.front() == u'(') {
            const size_t close = s.find(u')');
            if (close == WStringView::npos ||
                !ParseHexNumber(s.substr(1, close - 1), 8, value.type))
                return false;
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != u':')
            return false;
        WString list(s.substr(1));
        while (!list.empty() && list.back() == u'\\') {
            list.pop_back();
            if (next_ >= lines_.size())
                return false;
            list += Trim(lines_[next_++]);
        }
        return ParseByteList(list, value.data);
    }

    // Names folded to ASCII lower case, so a large file parses in linear time.
    static WString Folded(WStringView name) {
        WString folded(name);
        for (char16_t& c : folded)
            c = AsciiLower(c);
        return folded;
    }

    std::vector<WStringView> lines_;
    size_t next_ = 0;
    std::ptrdiff_t current_ = -1;
    std::unordered_map<WString, size_t> sectionIndex_;
    std::vector<std::unordered_map<WString, size_t>> valueIndex_;
};

// v as exactly digits lower-case hex digits.
std::string HexNumber(uint32_t v, int digits) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string out(static_cast<size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, v >>= 4)
        out[static_cast<size_t>(i)] = kDigits[v & 0x0F];
    return out;
}

std::string TypeTag(uint32_t type) {
    if (type == kRegBinary)
        return "hex:";
    int digits = 1;
    while (digits < 8 && (type >> (digits * 4)) != 0)
        ++digits;
    return "hex(" + HexNumber(type, digits) + "):";
}

// Bytes as "xx,xx,...", wrapped with "\" so no line exceeds kMaxLineWidth.
void AppendHexList(std::string& out, std::string line, const std::vector<uint8_t>& data) {
    for (size_t i = 0; i < data.size(); ++i) {
        const bool last = i + 1 == data.size();
        // Two digits, and for all but the last byte a comma and room for "\".
        if (line.size() + (last ? 2 : 4) > kMaxLineWidth) {
            out += line + "\\\n";
            line = ToUtf8(kContinuationIndent);
        }
        line += HexNumber(data[i], 2);
        if (!last)
            line += ',';
    }
    out += line + "\n";
}

void AppendValue(std::string& out, const Value& value) {
    WString head;
    if (value.name.empty()) {
        head = u"@";
    } else {
        AppendQuoted(head, value.name);
    }
    head += u'=';
    WString text;
    if (value.type == kRegSz && ReadableString(value.data, text)) {
        AppendQuoted(head, text);
        out += ToUtf8(head) + "\n";
    } else if (value.type == kRegDword && value.data.size() == 4) {
        const uint32_t v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                           (static_cast<uint32_t>(value.data[3]) << 24);
        out += ToUtf8(head) + "dword:" + HexNumber(v, 8) + "\n";
    } else {
        AppendHexList(out, ToUtf8(head) + TypeTag(value.type), value.data);
    }
}

// The first element whose name (member) equals name ignoring ASCII case.
template <typename Container, typename Item>
auto FindByName(Container& items, WString Item::*member, WStringView name) -> decltype(&items[0]) {
    for (auto& item : items) {
        if (EqualsIgnoreCase(item.*member, name))
            return &item;
    }
    return nullptr;
}

bool PathHasPrefix(WStringView path, WStringView prefix) {
    return path.size() > prefix.size() && path[prefix.size()] == u'\\' &&
           EqualsIgnoreCase(path.substr(0, prefix.size()), prefix);
}

}  // namespace

bool Parse(std::string_view bytes, Document& out) {
    out.sections.clear();
    if (bytes.empty())
        return true;
    WString text;
    if (!DecodeText(bytes, text))
        return false;
    Parser parser(SplitLines(text));
    if (parser.Run(out))
        return true;
    out.sections.clear();
    return false;
}

std::string Serialize(const Document& doc) {
    std::string out = ToUtf8(kHeader) + "\n\n";
    for (const Section& section : doc.sections) {
        out += "[" + ToUtf8(section.path) + "]\n";
        for (const Value& value : section.values)
            AppendValue(out, value);
        out += "\n";
    }
    return out;
}

bool IsStorableName(WStringView name) {
    return std::none_of(name.begin(), name.end(), [](char16_t c) { return c < 0x20; }) &&
           IsWellFormedUtf16(name);
}

bool IsStorableKeyPath(WStringView path) {
    if (!IsStorableName(path))
        return false;
    const std::vector<WStringView> parts = SplitPath(path);
    return std::none_of(parts.begin(), parts.end(), [](WStringView p) { return p.empty(); });
}

Section* FindSection(Document& doc, WStringView path) {
    return FindByName(doc.sections, &Section::path, path);
}

const Section* FindSection(const Document& doc, WStringView path) {
    return FindByName(doc.sections, &Section::path, path);
}

Value* FindValue(Section& section, WStringView name) {
    return FindByName(section.values, &Value::name, name);
}

const Value* FindValue(const Section& section, WStringView name) {
    return FindByName(section.values, &Value::name, name);
}

bool KeyExists(const Document& doc, WStringView path) {
    return std::any_of(doc.sections.begin(), doc.sections.end(), [&](const Section& s) {
        return EqualsIgnoreCase(s.path, path) || PathHasPrefix(s.path, path);
    });
}

Section& AddSection(Document& doc, WStringView path) {
    if (Section* found = FindSection(doc, path))
        return *found;
    const std::vector<WStringView> wanted = SplitPath(path);
    // The existing section sharing the most leading components lends its spelling.
    std::vector<WStringView> best;
    for (const Section& s : doc.sections) {
        const std::vector<WStringView> parts = SplitPath(s.path);
        size_t n = 0;
        while (n < parts.size() && n < wanted.size() && EqualsIgnoreCase(parts[n], wanted[n]))
            ++n;
        if (n > best.size())
            best.assign(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(n));
    }
    WString spelled;
    for (size_t i = 0; i < wanted.size(); ++i) {
        if (i > 0)
            spelled += u'\\';
        spelled += i < best.size() ? best[i] : wanted[i];
    }
    doc.sections.push_back(Section{std::move(spelled), {}});
    return doc.sections.back();
}

bool PutValue(Section& section, Value value) {
    Value* existing = FindValue(section, value.name);
    if (existing == nullptr) {
        section.values.push_back(std::move(value));
        return true;
    }
    if (existing->name == value.name && existing->type == value.type &&
        existing->data == value.data) {
        return false;
    }
    *existing = std::move(value);
    return true;
}

}  // namespace platform::regfile
