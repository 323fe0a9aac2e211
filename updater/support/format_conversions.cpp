#include "updater/support/format_conversions.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

namespace updater::format {
namespace {

using platform::WString;
using platform::WStringView;

// Large enough for every snprintf result with a width below kWidthLimit and a
// precision capped at kWidthLimit - 1 (a "%f" of the largest double with
// 511 decimals takes 822 characters).
constexpr size_t kNarrowBuffer = 1100;

// The narrow text of snprintf, widened (digits, signs and letters are ASCII;
// "%c" gives one byte of the ANSI code page).
template <typename T>
WString Printf(const std::string& format, T value) {
    char buffer[kNarrowBuffer];
    const int n = std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    if (n <= 0)
        return {};
    const size_t length = std::min(static_cast<size_t>(n), sizeof buffer - 1);
    return platform::FromAnsi(std::string_view(buffer, length));
}

WString PointerText(const void* pointer) {
    return Printf("0x%0" + std::to_string(sizeof(void*) * 2) + "llX",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
}

WString IntegerText(const FormatArg& arg) {
    if (arg.isSigned())
        return Printf("%lld", static_cast<long long>(arg.integer()));
    return Printf("%llu", static_cast<unsigned long long>(arg.integer()));
}

// Spaces before (or after, left-aligned) a text shorter than the width.
WString Pad(WString text, const ConversionSpec& spec) {
    const size_t width = spec.usableWidth();
    if (text.size() >= width)
        return text;
    const WString spaces(width - text.size(), u' ');
    return spec.leftAlign() ? text + spaces : spaces + text;
}

// The flags C defines for a conversion letter; the others are dropped.
std::string UsableFlags(const ConversionSpec& spec) {
    std::string allowed = "-+ 0#";
    switch (spec.letter) {
        case u'd':
        case u'i':
        case u'u':
            allowed = "-+ 0";
            break;
        case u'c':
            allowed = "-";
            break;
        default:
            break;
    }
    std::string flags;
    for (char c : spec.flags)
        if (allowed.find(c) != std::string::npos)
            flags += c;
    return flags;
}

// "%" flags width precision, bounded, without size and letter.
std::string NarrowPrefix(const ConversionSpec& spec) {
    std::string format = "%" + UsableFlags(spec);
    if (spec.usableWidth() > 0)
        format += std::to_string(spec.usableWidth());
    if (spec.precision >= 0)
        format += "." + std::to_string(std::min(spec.precision, kWidthLimit - 1));
    return format;
}

bool IsFloating(char16_t letter) {
    return WStringView(u"eEfgG").find(letter) != WStringView::npos;
}

// The 64 bits an integer conversion reads from an argument; false when the
// argument is not a number or an address.
bool IntegerBits(const FormatArg& arg, uint64_t& bits) {
    switch (arg.kind()) {
        case FormatArg::Kind::Integer:
            bits = static_cast<uint64_t>(arg.integer());
            return true;
        case FormatArg::Kind::Pointer:
            bits = reinterpret_cast<uintptr_t>(arg.pointer());
            return true;
        case FormatArg::Kind::Real: {
            // Truncated toward zero, saturated; NaN reads as 0.
            const double r = arg.real();
            constexpr double kLimit = 9223372036854775807.0;
            const int64_t v = std::isnan(r)  ? 0
                              : r >= kLimit  ? INT64_MAX
                              : r <= -kLimit ? INT64_MIN
                                             : static_cast<int64_t>(r);
            bits = static_cast<uint64_t>(v);
            return true;
        }
        case FormatArg::Kind::String:
            return false;
    }
    return false;
}

WString IntegerConversion(const ConversionSpec& spec, uint64_t bits) {
    const char letter = static_cast<char>(spec.letter);
    const bool isSigned = letter == 'd' || letter == 'i';
    std::string format = NarrowPrefix(spec);
    if (spec.size == ArgSize::Eight && letter != 'c') {
        format += std::string("ll") + letter;
        if (isSigned)
            return Printf(format, static_cast<long long>(bits));
        return Printf(format, static_cast<unsigned long long>(bits));
    }
    if (spec.size == ArgSize::Half && letter != 'c')
        format += 'h';
    format += letter;
    const auto low = static_cast<uint32_t>(bits);
    if (isSigned || letter == 'c')
        return Printf(format, static_cast<int>(static_cast<int32_t>(low)));
    return Printf(format, static_cast<unsigned>(low));
}

WString NumericConversion(const ConversionSpec& spec, WStringView specText, const FormatArg* arg) {
    if (!arg)
        return WString(specText);
    if (IsFloating(spec.letter)) {
        if (arg->kind() != FormatArg::Kind::Real && arg->kind() != FormatArg::Kind::Integer)
            return WString(specText);
        const double value = arg->kind() == FormatArg::Kind::Real ? arg->real()
                             : arg->isSigned() ? static_cast<double>(arg->integer())
                                               : static_cast<double>(uint64_t(arg->integer()));
        return Printf(NarrowPrefix(spec) + static_cast<char>(spec.letter), value);
    }
    uint64_t bits = 0;
    if (!IntegerBits(*arg, bits))
        return WString(specText);
    return IntegerConversion(spec, bits);
}

WString StringConversion(const ConversionSpec& spec, ArgumentList& args) {
    const FormatArg* arg = args.Next();
    if (arg)
        args.Remember(arg);
    WString text = ArgumentText(arg, u"NULL");
    if (spec.precision >= 0 && text.size() > size_t(spec.precision))
        text.resize(size_t(spec.precision));
    return Pad(std::move(text), spec);
}

WString SpacesConversion(const FormatArg* arg) {
    if (arg && arg->kind() == FormatArg::Kind::Integer) {
        const int64_t n = arg->integer();
        const bool valid =
            arg->isSigned() ? n >= 0 && n < kWidthLimit : uint64_t(n) < uint64_t(kWidthLimit);
        if (valid)
            return WString(size_t(n), u' ');
    }
    return u"'Invalid value'";
}

WString PointerConversion(WStringView specText, const FormatArg* arg) {
    if (!arg || arg->kind() == FormatArg::Kind::Real)
        return WString(specText);
    if (arg->kind() == FormatArg::Kind::Integer)
        return PointerText(reinterpret_cast<const void*>(static_cast<uintptr_t>(arg->integer())));
    return PointerText(arg->pointer());
}

WString CharacterConversion(const ConversionSpec& spec, WStringView specText,
                            const FormatArg* arg) {
    if (!arg || arg->kind() != FormatArg::Kind::Integer)
        return WString(specText);
    return Pad(WString(1, static_cast<char16_t>(arg->integer())), spec);
}

}  // namespace

const FormatArg* ArgumentList::Next() {
    return next_ < args_.size() ? &args_[next_++] : nullptr;
}

const FormatArg* ArgumentList::Positional(size_t n) {
    while (consumed_.size() < n) {
        const FormatArg* arg = Next();
        if (!arg)
            return nullptr;
        consumed_.push_back(arg);
    }
    return n > 0 ? consumed_[n - 1] : nullptr;
}

WString ArgumentText(const FormatArg* arg, WStringView nullText) {
    if (!arg)
        return WString(nullText);
    switch (arg->kind()) {
        case FormatArg::Kind::String:
            return arg->isNullString() ? WString(nullText) : WString(arg->text());
        case FormatArg::Kind::Integer:
            return IntegerText(*arg);
        case FormatArg::Kind::Real:
            return Printf("%g", arg->real());
        case FormatArg::Kind::Pointer:
            return PointerText(arg->pointer());
    }
    return WString(nullText);
}

WString Convert(const ConversionSpec& spec, WStringView specText, ArgumentList& args) {
    switch (spec.letter) {
        case u's':
        case u'S':
            return StringConversion(spec, args);
        case u'C':
            return CharacterConversion(spec, specText, args.Next());
        case u'P':
            return SpacesConversion(args.Next());
        case u'p':
            return PointerConversion(specText, args.Next());
        case u'n':
            // Never handed to the C library, which would write through the
            // argument: its argument is skipped and the text stays as written.
            args.Next();
            return WString(specText);
        default:
            return NumericConversion(spec, specText, args.Next());
    }
}

}  // namespace updater::format
