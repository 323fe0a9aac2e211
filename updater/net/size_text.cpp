#include "updater/net/size_text.h"

#include <array>
#include <string>

namespace updater {

platform::WString SizeText(uint64_t value, bool noScaling, size_t capacity,
                           const TextLanguage& language, char16_t decimalSeparator) {
    static constexpr std::array<std::string_view, 5> kUnits{"B", "KB", "MB", "GB", "TB"};
    size_t unit = 0;
    uint64_t digit = 0;
    bool inexact = false;
    while (!noScaling && value >= 1024 && unit < kUnits.size() - 1) {
        const uint64_t remainder = value % 1024;
        inexact = inexact || remainder != 0;
        value /= 1024;
        digit = ((remainder * 100) / 1024 + 5) / 10;
        ++unit;
    }
    if (inexact && digit > 9) {
        digit = 0;
        ++value;
    }
    platform::WString text = platform::FromAnsi(std::to_string(value));
    if (inexact) {
        text += decimalSeparator;
        text += static_cast<char16_t>(u'0' + digit);
    }
    text += u' ';
    bool found = false;
    const platform::WString translated =
        language.IsLoaded() ? language.Translate(kUnits[unit], &found) : platform::WString();
    text += found ? translated : platform::FromAnsi(kUnits[unit]);
    if (capacity == 0)
        return {};
    if (text.size() > capacity - 1)
        text.resize(capacity - 1);
    return text;
}

platform::WString SizeText(uint64_t value, bool noScaling, size_t capacity) {
    return SizeText(value, noScaling, capacity, InstalledLanguage(), UserDecimalSeparator());
}

}  // namespace updater
