#include "updater/support/format_directive.h"

namespace updater::format {
namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsFlag(char16_t c) {
    return c == u'-' || c == u'+' || c == u'0' || c == u' ' || c == u'#';
}

bool StartsWith(platform::WStringView pattern, size_t pos, platform::WStringView what) {
    return pattern.substr(pos, what.size()) == what;
}

}  // namespace

bool IsConversionLetter(char16_t c) {
    return c != 0 &&
           platform::WStringView(u"cCdiouxXeEfgGnpsS").find(c) != platform::WStringView::npos;
}

size_t ReadNumber(platform::WStringView pattern, size_t pos, int& value) {
    value = 0;
    while (pos < pattern.size() && IsDigit(pattern[pos])) {
        value = value * 10 + (pattern[pos] - u'0');
        if (value > kNumberLimit)
            value = kNumberLimit;
        ++pos;
    }
    return pos;
}

size_t SkipSizeModifier(platform::WStringView pattern, size_t pos, ArgSize& size) {
    if (StartsWith(pattern, pos, u"I64")) {
        size = ArgSize::Eight;
        return pos + 3;
    }
    if (StartsWith(pattern, pos, u"I32")) {
        size = ArgSize::Four;
        return pos + 3;
    }
    if (StartsWith(pattern, pos, u"ll")) {
        size = ArgSize::Eight;
        return pos + 2;
    }
    if (StartsWith(pattern, pos, u"I") || StartsWith(pattern, pos, u"l")) {
        size = ArgSize::Four;
        return pos + 1;
    }
    if (StartsWith(pattern, pos, u"h")) {
        size = ArgSize::Half;
        return pos + 1;
    }
    return pos;
}

bool ReadConversion(platform::WStringView pattern, size_t pos, ConversionSpec& spec) {
    spec = ConversionSpec{};
    while (pos < pattern.size() && IsFlag(pattern[pos]))
        spec.flags += static_cast<char>(pattern[pos++]);
    if (pos < pattern.size() && IsDigit(pattern[pos]))
        pos = ReadNumber(pattern, pos, spec.width);
    if (pos < pattern.size() && pattern[pos] == u'.')
        pos = ReadNumber(pattern, pos + 1, spec.precision);
    pos = SkipSizeModifier(pattern, pos, spec.size);
    // "P" (a run of spaces) is a conversion only here: after a number it
    // does not stop a positional placeholder.
    if (pos >= pattern.size() || (!IsConversionLetter(pattern[pos]) && pattern[pos] != u'P'))
        return false;
    spec.letter = pattern[pos];
    spec.end = pos + 1;
    return true;
}

}  // namespace updater::format
