#include <optional>

#include "updater/support/lang_file.h"

namespace updater {
namespace {

using platform::WStringView;

constexpr long long kLimit = 0x7FFFFFFF;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

int DigitValue(char16_t c, int base) {
    int value = 99;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value < base ? value : -1;
}

// A number as the scanner reads it after the literal prefix: leading white
// space, an optional sign, then at least one digit. Values beyond the range
// of an int are refused rather than wrapped.
std::optional<int> ReadNumber(WStringView text, int base) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    long long value = 0;
    const size_t first = i;
    for (; i < text.size() && DigitValue(text[i], base) >= 0; ++i) {
        value = value * base + DigitValue(text[i], base);
        if (value > kLimit)
            return std::nullopt;
    }
    if (i == first)
        return std::nullopt;
    return static_cast<int>(negative ? -value : value);
}

std::optional<int> ReadForm(WStringView text, WStringView prefix, int base) {
    if (!text.starts_with(prefix))
        return std::nullopt;
    return ReadNumber(text.substr(prefix.size()), base);
}

}  // namespace

int ParseLocaleNumber(WStringView text) {
    if (auto value = ReadForm(text, u"=\"0x", 16))
        return *value;
    if (auto value = ReadForm(text, u"0x", 16))
        return *value;
    if (auto value = ReadForm(text, u"=\"", 10))
        return *value;
    if (auto value = ReadForm(text, u"", 10))
        return *value;
    return 0;
}

}  // namespace updater
