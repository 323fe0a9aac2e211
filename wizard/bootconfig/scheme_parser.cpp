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

// The repeat count of one pattern token: "+N XX" gives N, a hexadecimal byte
// gives 1, anything else 0 (the token is skipped). A count below 1 makes no
// sense as a repeat count and is skipped as well.
int64_t TokenCount(std::string_view token) {
    const size_t plus = token.find('+');
    if (plus == std::string_view::npos)
        return HasHex(token, 0) ? 1 : 0;
    size_t pos = plus + 1;
    int64_t count = 0;
    if (!ReadDecimal(token, pos, count) || !HasHex(token, pos))
        return 0;
    return count > 0 ? count : 0;
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
    const std::string_view line = CString(lowerLine);
    const size_t dot = line.find('.');
    if (dot == std::string_view::npos)
        return 0;
    std::string_view rest = line.substr(dot + 1);
    int64_t total = 0;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        const std::string_view token = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const int64_t count = TokenCount(token);
        if (total + count > kMaxPatternLength - 1)
            return kMaxPatternLength;
        total += count;
    }
    return static_cast<int32_t>(total);
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

bool ParseSchemeText(std::string_view text, WipeScheme& scheme) {
    std::string storage;
    const std::vector<std::string_view> lines = SplitLines(text, storage);
    SchemeCounter counter;
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
        if (const auto pass = ClassifyPassLine(Lower(line)))
            counter.Add(*pass, !firstNumbered);
    }
    if (name.empty() || counter.passes < 1)
        return false;
    scheme.DisplayName = platform::FromAnsi(name);
    scheme.PassCount = counter.passes;
    scheme.SchemeWeight = static_cast<int32_t>(std::min<int64_t>(counter.weight, INT_MAX));
    return true;
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
