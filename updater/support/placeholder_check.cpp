#include "updater/support/placeholder_check.h"

#include <algorithm>

namespace updater {
namespace {

using platform::WStringView;
constexpr size_t kNone = WStringView::npos;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsPositionalDigit(char16_t c) {
    return c >= u'1' && c <= u'9';
}

// Position of the next placeholder ("%" and a character other than "%") from pos.
size_t NextPlaceholder(WStringView text, size_t pos) {
    while (pos + 1 < text.size()) {
        if (text[pos] != u'%') {
            ++pos;
        } else if (text[pos + 1] == u'%') {
            pos += 2;
        } else {
            return pos;
        }
    }
    return kNone;
}

// The highest N of the "%1".."%9" placeholders when every number from 1 to N
// occurs, else 0.
int PositionalCount(WStringView text) {
    bool seen[10] = {};
    int highest = 0;
    for (size_t at = NextPlaceholder(text, 0); at != kNone; at = NextPlaceholder(text, at + 2)) {
        if (IsPositionalDigit(text[at + 1])) {
            const int n = text[at + 1] - u'0';
            seen[n] = true;
            highest = std::max(highest, n);
        }
    }
    for (int n = 1; n <= highest; ++n) {
        if (!seen[n])
            return 0;
    }
    return highest;
}

bool ShapesAgree(WStringView t, WStringView k) {
    size_t at = NextPlaceholder(t, 0);
    size_t ak = NextPlaceholder(k, 0);
    if (at == kNone)
        return ak == kNone;
    if (IsPositionalDigit(t[at + 1]))
        return PositionalCount(t) == PositionalCount(k);
    for (; at != kNone; at = NextPlaceholder(t, at + 2), ak = NextPlaceholder(k, ak + 2)) {
        if (ak == kNone)
            return false;
        if (t[at + 1] != k[ak + 1])
            return IsPositionalDigit(k[ak + 1]) && PositionalCount(t) == PositionalCount(k);
    }
    return ak == kNone;
}

bool IsConversionLetter(char16_t c) {
    return c < 0x80 && c != 0 &&
           std::string_view("cCdiouxXeEfgGnpsS").find(char(c)) != std::string_view::npos;
}

char ClassOf(char16_t letter, bool eightBytes) {
    switch (letter) {
        case u's':
        case u'S':
            return 's';
        case u'e':
        case u'E':
        case u'f':
        case u'g':
        case u'G':
            return 'f';
        case u'p':
            return 'p';
        case u'n':
            return 'n';
        default:
            return eightBytes ? 'L' : 'i';
    }
}

size_t SkipDigits(WStringView p, size_t i) {
    while (i < p.size() && IsDigit(p[i]))
        ++i;
    return i;
}

// Skips a size modifier at i; tells whether it makes the argument 8 bytes.
size_t SkipSize(WStringView p, size_t i, bool& eight) {
    const WStringView rest = p.substr(std::min(i, p.size()));
    eight = rest.starts_with(u"I64") || rest.starts_with(u"ll");
    if (eight || rest.starts_with(u"I32"))
        return i + (rest[0] == u'l' ? 2 : 3);
    if (!rest.empty() && (rest[0] == u'I' || rest[0] == u'l' || rest[0] == u'h'))
        return i + 1;
    return i;
}

// Whether the number ending at i is a width: a conversion letter follows,
// after an optional precision (at least one digit) and size modifier.
bool WidthFollows(WStringView p, size_t i) {
    if (i < p.size() && p[i] == u'.') {
        const size_t end = SkipDigits(p, i + 1);
        if (end == i + 1)
            return false;
        i = end;
    }
    bool eight = false;
    i = SkipSize(p, i, eight);
    return i < p.size() && IsConversionLetter(p[i]);
}

// Reads one specification after the "%" at pos; appends what it takes to args.
// Returns the position after it, or kNone when "%0" ends the pattern.
size_t ReadSpec(WStringView p, size_t pos, bool& positional, size_t& strings, std::string& args) {
    // "%N" or "%-N": a positional placeholder unless it is the width of a conversion.
    const size_t digits = p[pos] == u'-' ? pos + 1 : pos;
    const size_t numberEnd = SkipDigits(p, digits);
    if (numberEnd > digits && (positional || !WidthFollows(p, numberEnd))) {
        positional = true;
        size_t number = 0;
        for (size_t i = digits; i < numberEnd; ++i)
            number = std::min<size_t>(number * 10 + (p[i] - u'0'), 1000000);
        if (number == 0)
            return kNone;
        for (; strings < number; ++strings)
            args += 's';
        return numberEnd;
    }
    size_t i = pos;
    while (i < p.size() && std::u16string_view(u"-+0 #").find(p[i]) != kNone)
        ++i;
    std::string stars;  // a "*" width or precision would take an integer of its own
    if (i < p.size() && p[i] == u'*') {
        stars += 'i';
        ++i;
    }
    i = SkipDigits(p, i);
    if (i < p.size() && p[i] == u'.') {
        if (i + 1 < p.size() && p[i + 1] == u'*') {
            stars += 'i';
            ++i;
        }
        i = SkipDigits(p, i + 1);
    }
    bool eight = false;
    i = SkipSize(p, i, eight);
    if (i >= p.size() || !(IsConversionLetter(p[i]) || p[i] == u'P'))
        return pos + 1;  // unreadable: "%" and the next character are text
    args += stars;
    const char kind = ClassOf(p[i], eight);
    args += kind;
    if (kind == 's')
        ++strings;
    return i + 1;
}

}  // namespace

std::string PatternArguments(WStringView pattern) {
    std::string args;
    bool positional = false;
    size_t strings = 0;
    size_t i = 0;
    while (i < pattern.size()) {
        if (pattern[i] != u'%') {
            ++i;
        } else if (i + 1 >= pattern.size()) {
            break;  // a final "%" is text
        } else if (pattern[i + 1] == u'%') {
            i += 2;
        } else {
            i = ReadSpec(pattern, i + 1, positional, strings, args);
            if (i == kNone)
                break;
        }
    }
    return args;
}

bool PlaceholdersAgree(WStringView translation, WStringView key) {
    if (PatternArguments(translation) != PatternArguments(key))
        return false;
    return (!key.empty() && key.back() == u'%') || ShapesAgree(translation, key);
}

}  // namespace updater
