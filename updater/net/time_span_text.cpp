#include "updater/net/time_span_text.h"

#include <array>
#include <string_view>

#include "updater/support/formatter.h"

namespace updater {
namespace {

constexpr size_t kUnitCount = 5;  // seconds, minutes, hours, days, weeks
constexpr std::array<uint64_t, 4> kUnitSizes{60, 60, 24, 7};
constexpr int kRussianLocale = 1049;
constexpr size_t kPartCapacity = 256;

// Unit words by form (rows) and unit (columns).
constexpr std::array<std::array<std::string_view, kUnitCount>, 3> kWords{{
    {"Sec", "Min", "Hour", "Day", "Week"},
    {"Secs", "Mins", "Hours", "Days", "Weeks"},
    {"SecS", "MinS", "HourS", "DayS", "WeekS"},
}};

int DigitCount(uint64_t value) {
    int count = 0;
    for (; value > 0; value /= 10)
        ++count;
    return count;
}

// Replaces the last count digits of value by zeros, rounding half up one
// digit at a time (so 149 rounded by two digits gives 200).
uint64_t RoundAway(uint64_t value, int count) {
    uint64_t place = 1;
    for (int i = 0; i < count; ++i) {
        const uint64_t digit = (value / place) % 10;
        value -= digit * place;
        if (digit >= 5)
            value += 10 * place;
        place *= 10;
    }
    return value;
}

size_t WordForm(uint64_t number, int localeNumber) {
    if (localeNumber != kRussianLocale)
        return number == 1 ? 0 : 1;
    const uint64_t n = number >= 20 ? number % 10 : number;
    if (n > 4 || n == 0)
        return 2;
    return n == 1 ? 0 : 1;
}

platform::WString UnitWord(uint64_t number, size_t unit, const TextLanguage& language,
                           int localeNumber) {
    return language.Translate(kWords[WordForm(number, localeNumber)][unit]);
}

}  // namespace

platform::WString TimeSpanText(uint64_t seconds, int digits, size_t capacity,
                               const TextLanguage& language,
                               const IntervalFormatter& systemFormatter) {
    platform::WString text;
    if (seconds == 0) {
        text = language.Translate("Less than 1 Sec");
    } else {
        const bool loaded = language.IsLoaded();
        const bool rightToLeft = loaded && language.RightToLeft();
        bool weeksKnown = true;
        if (loaded)
            language.Translate("Weeks", &weeksKnown);
        std::optional<platform::WString> system;
        if (seconds / 3600 < 25 && !weeksKnown && systemFormatter)
            system =
                systemFormatter(static_cast<uint32_t>(seconds * 1000), digits < 0 ? 1 : digits);
        if (system) {
            text = *system;
        } else {
            uint64_t value = seconds;
            uint64_t rest = 0;
            uint64_t unitSize = 0;
            size_t unit = 0;
            while (unit < kUnitCount - 1 && value >= kUnitSizes[unit]) {
                unitSize = kUnitSizes[unit];
                rest = value % unitSize;
                value /= unitSize;
                ++unit;
            }
            if (digits < 0)
                digits = value < 3 ? 2 : 1;
            const int g = DigitCount(value);
            if (g < digits) {
                const int h = DigitCount(rest);
                if (h >= digits - g) {
                    rest = RoundAway(rest, h + g - digits);
                    if (rest == unitSize) {
                        ++value;
                        rest = 0;
                    } else if (rest <= 2) {
                        rest = 0;
                    } else if (rest > unitSize - 3) {
                        ++value;
                        rest = 0;
                    }
                }
            } else {
                value = RoundAway(value, g - digits);
                rest = 0;
            }
            const int locale = loaded ? language.LocaleNumber() : 0;
            const platform::WString word = UnitWord(value, unit, language, locale);
            if (rest != 0 && value < 5) {
                const char16_t* pattern = rightToLeft ? u"%3 %2 %1" : u"%1 %2 %3";
                const platform::WString restWord = UnitWord(rest, unit - 1, language, locale);
                const platform::WString second =
                    FormatToString(kPartCapacity, pattern, rest, restWord, u"");
                text = FormatToString(kPartCapacity, pattern, value, word, second);
            } else {
                text =
                    FormatToString(kPartCapacity, rightToLeft ? u"%2 %1" : u"%1 %2", value, word);
            }
        }
    }
    if (capacity == 0)
        return {};
    if (text.size() > capacity - 1)
        text.resize(capacity - 1);
    return text;
}

platform::WString TimeSpanText(uint64_t seconds, int digits, size_t capacity) {
    return TimeSpanText(seconds, digits, capacity, InstalledLanguage(), &SystemIntervalText);
}

}  // namespace updater
