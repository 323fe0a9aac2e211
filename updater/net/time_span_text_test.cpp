#include "updater/net/time_span_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "updater/net/testing/fake_language.h"

namespace updater {
namespace {

constexpr uint64_t kMinute = 60, kHour = 3600, kDay = 86400, kWeek = 7 * kDay;

std::optional<platform::WString> NoSystemFormatter(uint32_t, int) {
    return std::nullopt;
}

TEST(TimeSpanText, UnitsRoundingAndTheSecondPart) {
    testing::FakeLanguage none;
    none.loaded = false;
    const struct {
        uint64_t seconds;
        int digits;
        const char16_t* text;
    } cases[] = {
        {0, 2, u"Less than 1 Sec"},
        {1, 2, u"1 Sec"},
        {59, 2, u"59 Secs"},
        {60, 2, u"1 Min"},
        {61, 2, u"1 Min"},  // a remainder of 2 or less is dropped
        {62, 2, u"1 Min"},
        {63, 2, u"1 Min 3 Secs "},
        {90, 2, u"1 Min 30 Secs "},
        {114, 2, u"1 Min 50 Secs "},  // rounded to two digits
        {115, 2, u"2 Mins"},          // 55 rounds to 60, which carries
        {kDay + 5 * kHour, 2, u"1 Day 5 Hours "},
        {119, 2, u"2 Mins"},               // 59 rounds to 60, which carries
        {5 * kMinute + 30, 2, u"5 Mins"},  // two parts only below 5
        {4 * kMinute + 30, 2, u"4 Mins 30 Secs "},
        {10 * kMinute + 30, 2, u"10 Mins"},  // two digits already: no second part
        {59 * kMinute + 59, 2, u"59 Mins"},
        {kHour, 2, u"1 Hour"},
        {3725, 2, u"1 Hour"},  // 2 minutes are dropped
        {3900, 2, u"1 Hour 5 Mins "},
        {2 * kHour + 30 * kMinute, 2, u"2 Hours 30 Mins "},
        {23 * kHour + 59 * kMinute, 2, u"23 Hours"},
        {kDay - 1, 2, u"23 Hours"},
        {kDay, 2, u"1 Day"},
        {kDay + 12 * kHour, 2, u"1 Day 10 Hours "},
        {kDay + 22 * kHour, 2, u"1 Day 20 Hours "},
        {kWeek + 5 * kDay, 2, u"2 Weeks"},  // 5 > 7 - 3 carries
        {kWeek + 2 * kDay, 2, u"1 Week"},
        {6 * kDay + 23 * kHour, 2, u"6 Days"},
        {kWeek - 1, 2, u"6 Days"},
        {kWeek, 2, u"1 Week"},
        {kWeek + 3 * kDay, 2, u"1 Week 3 Days "},
        {4 * kWeek, 2, u"4 Weeks"},
        {10 * kWeek, 2, u"10 Weeks"},  // weeks are the largest unit
        {150 * kWeek, 2, u"150 Weeks"},
        {154 * kWeek + 6 * kDay, 2, u"150 Weeks"},  // rounded to 2 digits
        {155 * kWeek, 2, u"160 Weeks"},
        {149 * kWeek, 1, u"200 Weeks"},     // rounded one digit at a time: 149, 150, 200
        {90, -1, u"1 Min 30 Secs "},        // 2 digits below 3 units
        {3 * kMinute + 30, -1, u"3 Mins"},  // 1 digit from 3 units on
        {45, -1, u"50 Secs"},
        {45, 3, u"45 Secs"},
        {kMinute + 7, 3, u"1 Min 7 Secs "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TimeSpanText(c.seconds, c.digits, 100, none, NoSystemFormatter), c.text)
            << c.seconds << " s, " << c.digits << " digits";
    EXPECT_EQ(TimeSpanText(3900, 2, 7, none, NoSystemFormatter), u"1 Hour");
}

TEST(TimeSpanText, LanguageWordsPluralFormsDirectionAndTheSystemFormatter) {
    testing::FakeLanguage russian;
    russian.localeNumber = 1049;
    russian.words = {{"Weeks", u"нед."},
                     {"Sec", u"секунда"},
                     {"Secs", u"секунды"},
                     {"SecS", u"секунд"},
                     {"Less than 1 Sec", u"<1"}};
    const struct {
        uint64_t seconds;
        const char16_t* text;
    } forms[] = {
        {0, u"<1"},          {1, u"1 секунда"},   {2, u"2 секунды"},  {4, u"4 секунды"},
        {5, u"5 секунд"},    {11, u"11 секунд"},  {19, u"19 секунд"}, {20, u"20 секунд"},
        {21, u"21 секунда"}, {22, u"22 секунды"}, {25, u"25 секунд"}, {30, u"30 секунд"},
        {31, u"31 секунда"},
    };
    for (const auto& c : forms)
        EXPECT_EQ(TimeSpanText(c.seconds, 2, 100, russian, NoSystemFormatter), c.text) << c.seconds;
    EXPECT_EQ(TimeSpanText(5 * 60, 2, 100, russian, NoSystemFormatter), u"5 MinS");

    testing::FakeLanguage arabic;
    arabic.rightToLeft = true;
    arabic.words = {{"Weeks", u"W"}, {"Hour", u"h"}, {"Mins", u"m"}};
    EXPECT_EQ(TimeSpanText(3900, 2, 100, arabic, NoSystemFormatter), u" m 5 h 1");
    EXPECT_EQ(TimeSpanText(60, 2, 100, arabic, NoSystemFormatter), u"Min 1");

    // A language without a word for weeks leaves spans under 25 hours to the
    // system's formatter, in milliseconds, 1 digit for a negative count.
    testing::FakeLanguage noWeeks;
    std::vector<std::pair<uint32_t, int>> asked;
    const IntervalFormatter system = [&](uint32_t ms, int digits) {
        asked.emplace_back(ms, digits);
        return std::optional<platform::WString>(u"system");
    };
    EXPECT_EQ(TimeSpanText(3900, 2, 100, noWeeks, system), u"system");
    EXPECT_EQ(TimeSpanText(25 * kHour - 1, -1, 100, noWeeks, system), u"system");
    EXPECT_EQ(TimeSpanText(27 * kHour, 2, 100, noWeeks, system), u"1 Day 3 Hours ");
    EXPECT_EQ(TimeSpanText(0, 2, 100, noWeeks, system), u"Less than 1 Sec");
    EXPECT_EQ(asked, (std::vector<std::pair<uint32_t, int>>{{3900000, 2}, {89999000, 1}}));
    // Without a language, or with its word for weeks, the own text is used.
    testing::FakeLanguage none;
    none.loaded = false;
    EXPECT_EQ(TimeSpanText(3900, 2, 100, none, system), u"1 Hour 5 Mins ");
    EXPECT_EQ(TimeSpanText(3900, 2, 100, russian, system), u"1 Hour 5 MinS ");
    // A formatter that fails, as Linux has none: the own text.
    EXPECT_EQ(TimeSpanText(3900, 2, 100, noWeeks, NoSystemFormatter), u"1 Hour 5 Mins ");
#ifdef _WIN32
    const std::optional<platform::WString> real = SystemIntervalText(3900000, 2);
    ASSERT_TRUE(real.has_value());
    EXPECT_NE(real->find(u'1'), platform::WString::npos);
#else
    EXPECT_FALSE(SystemIntervalText(3900000, 2).has_value());
#endif
}

}  // namespace
}  // namespace updater
