#include "wizard/bootconfig/scheme_parser.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace wizard {
namespace {

constexpr std::string_view kUserDefinedName = "User-defined";

// Weight of a random pass; test, zero and pattern passes weigh 1.
constexpr int32_t kRandomWeight = 4;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

size_t SkipSpaces(std::string_view s, size_t i) {
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    return i;
}

// Reads a decimal number as "%d" does (blanks, sign, digits), saturating
// instead of overflowing. Sets pos after the number; false without digits.
bool ReadDecimal(std::string_view s, size_t& pos, int64_t& value) {
    size_t i = SkipSpaces(s, pos);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    const size_t digits = i;
    int64_t v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (v < INT_MAX)
            v = v * 10 + (s[i] - '0');
        ++i;
    }
    if (i == digits)
        return false;
    value = negative ? -v : v;
    pos = i;
    return true;
}

// Whether a hexadecimal number as "%x" reads it starts at pos.
bool HasHex(std::string_view s, size_t pos) {
    size_t i = SkipSpaces(s, pos);
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    return i < s.size() && platform::HexDigitValue(s[i]) >= 0;
}

// The low byte of the hexadecimal number "%x" reads at pos (HasHex is true):
// blanks, a sign, an optional "0x" and the digits.
uint8_t HexByte(std::string_view s, size_t pos) {
    size_t i = SkipSpaces(s, pos);
    bool negative = false;
    if (s[i] == '+' || s[i] == '-')
        negative = s[i++] == '-';
    if (i + 2 < s.size() && s[i] == '0' && s[i + 1] == 'x' &&
        platform::HexDigitValue(s[i + 2]) >= 0)
        i += 2;
    unsigned value = 0;
    for (; i < s.size() && platform::HexDigitValue(s[i]) >= 0; ++i)
        value = (value << 4 | static_cast<unsigned>(platform::HexDigitValue(s[i]))) & 0xFF;
    return static_cast<uint8_t>(negative ? 0x100 - value : value);
}

// One pattern token: "+N XX" gives N copies of XX, a hexadecimal byte one,
// anything else none (the token is skipped). A count below 1 makes no sense
// as a repeat count and is skipped as well.
struct PatternToken {
    int64_t count = 0;
    uint8_t byte = 0;
};

PatternToken ReadToken(std::string_view token) {
    const size_t plus = token.find('+');
    if (plus == std::string_view::npos)
        return HasHex(token, 0) ? PatternToken{1, HexByte(token, 0)} : PatternToken{};
    size_t pos = plus + 1;
    int64_t count = 0;
    if (!ReadDecimal(token, pos, count) || !HasHex(token, pos) || count < 1)
        return {};
    return {count, HexByte(token, pos)};
}

// The line as the C string functions see it: up to the first NUL.
std::string_view CString(std::string_view line) {
    const size_t nul = line.find('\0');
    return nul == std::string_view::npos ? line : line.substr(0, nul);
}

std::string Lower(std::string_view line) {
    std::string out(line);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// Header line: the text between the first "[" and the last "]" after it.
std::optional<std::string_view> HeaderName(std::string_view line) {
    const size_t open = line.find('[');
    if (open == std::string_view::npos)
        return std::nullopt;
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || close < open)
        return std::nullopt;
    return line.substr(open + 1, close - open - 1);
}

// A line that begins with a decimal number ("%d." with leading blanks).
bool StartsNumbered(std::string_view line) {
    size_t pos = 0;
    int64_t ignored = 0;
    return ReadDecimal(line, pos, ignored);
}

// Splits text into the lines a 2048-byte fgets buffer in text mode yields:
// CR LF reads as LF, and a longer line comes in several pieces.
std::vector<std::string_view> SplitLines(std::string_view text, std::string& storage) {
    storage.clear();
    storage.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        storage.push_back(text[i]);
    }
    std::vector<std::string_view> lines;
    const std::string_view all(storage);
    size_t start = 0;
    while (start < all.size()) {
        const size_t newline = all.find('\n', start);
        const size_t end = newline == std::string_view::npos ? all.size() : newline + 1;
        const size_t piece = std::min(end - start, kSchemeLineBuffer - 1);
        lines.push_back(all.substr(start, piece));
        start += piece;
    }
    return lines;
}

// Calls add(count, byte) for each token of the pattern after the first "."
// of the line; when the total would pass kMaxPatternLength - 1 the last count
// is cut so that the total becomes kMaxPatternLength, and the rest is ignored.
template <typename Add>
void WalkPattern(std::string_view lowerLine, Add add) {
    const std::string_view line = CString(lowerLine);
    const size_t dot = line.find('.');
    if (dot == std::string_view::npos)
        return;
    std::string_view rest = line.substr(dot + 1);
    int64_t total = 0;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const PatternToken token = ReadToken(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (token.count == 0)
            continue;
        if (total + token.count > kMaxPatternLength - 1) {
            add(kMaxPatternLength - total, token.byte);
            return;
        }
        total += token.count;
        add(token.count, token.byte);
    }
}

struct SchemeCounter {
    int32_t passes = 0;
    int64_t weight = 0;
    int32_t previousWeight = 1;  // what a complement pass builds on

    void Add(const PassLine& pass, bool verifyBonus) {
        int32_t w = 1;
        if (pass.type == PassType::Random)
            w = kRandomWeight;
        if (pass.type == PassType::Complement)
            w = previousWeight < INT_MAX ? previousWeight + 1 : w;
        previousWeight = w;
        ++passes;
        weight += w + (verifyBonus && pass.verify ? 1 : 0);
    }
};

}  // namespace

int32_t PatternLength(std::string_view lowerLine) {
    int32_t length = 0;
    WalkPattern(lowerLine, [&](int64_t count, uint8_t) { length += static_cast<int32_t>(count); });
    return length;
}

std::string PatternBytes(std::string_view lowerLine) {
    std::string bytes;
    WalkPattern(lowerLine, [&](int64_t count, uint8_t byte) {
        bytes.append(static_cast<size_t>(count), static_cast<char>(byte));
    });
    return bytes;
}

std::optional<PassLine> ClassifyPassLine(std::string_view lowerLine) {
    const std::string_view line = CString(lowerLine);
    PassLine pass;
    pass.verify = line.find("verify") != std::string_view::npos;
    if (line.find("random") != std::string_view::npos) {
        pass.type = PassType::Random;
    } else if (line.find("complement") != std::string_view::npos) {
        pass.type = PassType::Complement;
    } else if (line.find("test") != std::string_view::npos) {
        pass.type = PassType::Test;
    } else if (line.find("zero") != std::string_view::npos) {
        pass.type = PassType::Zero;
    } else if (PatternLength(line) > 0) {
        pass.type = PassType::Pattern;
    } else {
        return std::nullopt;
    }
    return pass;
}

// Walks the scheme text by the grammar: the name from the header (or
// "User-defined"), then onPass(line, pass, firstNumbered) for every valid pass
// line, where line is the lower-cased line. Returns the name ("" when the
// scheme never starts).
template <typename OnPass>
std::string WalkScheme(std::string_view text, OnPass onPass) {
    std::string storage;
    const std::vector<std::string_view> lines = SplitLines(text, storage);
    bool started = false;
    std::string name;
    for (const std::string_view raw : lines) {
        const std::string_view line = CString(raw);
        bool firstNumbered = false;
        if (!started) {
            if (const auto header = HeaderName(line)) {
                name.assign(*header);
                started = true;
                continue;
            }
            if (!StartsNumbered(line))
                continue;
            name.assign(kUserDefinedName);
            started = firstNumbered = true;
        }
        const std::string lower = Lower(line);
        if (const auto pass = ClassifyPassLine(lower))
            onPass(lower, *pass, firstNumbered);
    }
    return name;
}

bool ParseSchemeText(std::string_view text, WipeScheme& scheme) {
    SchemeCounter counter;
    const std::string name =
        WalkScheme(text, [&](std::string_view, const PassLine& pass, bool firstNumbered) {
            counter.Add(pass, !firstNumbered);
        });
    if (name.empty() || counter.passes < 1)
        return false;
    scheme.DisplayName = platform::FromAnsi(name);
    scheme.PassCount = counter.passes;
    scheme.SchemeWeight = static_cast<int32_t>(std::min<int64_t>(counter.weight, INT_MAX));
    return true;
}

bool ParseSchemePasses(std::string_view text, std::string& displayName,
                       std::vector<SchemePass>& passes) {
    passes.clear();
    displayName = WalkScheme(text, [&](std::string_view line, const PassLine& pass, bool) {
        SchemePass p;
        p.type = pass.type;
        p.verify = pass.verify;
        if (pass.type == PassType::Pattern)
            p.pattern = PatternBytes(line);
        passes.push_back(std::move(p));
    });
    return !displayName.empty() && !passes.empty();
}

bool ParseSchemeFile(platform::WStringView path, WipeScheme& scheme) {
    uint64_t size = 0;
    if (!platform::FileSize(path, size) || size > kMaxSchemeFileBytes)
        return false;
    std::ifstream in(std::filesystem::path(platform::WString(path)), std::ios::binary);
    if (!in)
        return false;
    std::string text(static_cast<size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return ParseSchemeText(text, scheme);
}

}  // namespace wizard
