#include "updater/net/size_text.h"

#include <gtest/gtest.h>

#include "updater/net/testing/fake_language.h"

namespace updater {
namespace {

TEST(SizeText, ScalesToTheLargestUnitWithOneRoundedDigit) {
    testing::FakeLanguage none;
    none.loaded = false;
    constexpr uint64_t KB = 1024, MB = KB * KB, GB = MB * KB, TB = GB * KB;
    const struct {
        uint64_t value;
        const char16_t* text;
    } cases[] = {
        {0, u"0 B"},
        {512, u"512 B"},
        {1023, u"1023 B"},
        {1024, u"1 KB"},
        {1025, u"1.0 KB"},
        {1536, u"1.5 KB"},
        {1024 + 51, u"1.0 KB"},  // 4.98% rounds down
        {1024 + 52, u"1.1 KB"},  // 5.07% rounds up
        {2047, u"2.0 KB"},       // a digit of 10 carries into the value
        {MB - 1, u"1024.0 KB"},
        {MB, u"1 MB"},
        {MB + 1, u"1.0 MB"},  // inexact below the last division still shows
        {3 * MB / 2, u"1.5 MB"},
        {GB - 1, u"1024.0 MB"},
        {GB, u"1 GB"},
        {TB - 1, u"1024.0 GB"},
        {TB, u"1 TB"},
        {1023 * TB, u"1023 TB"},
        {1024 * TB, u"1024 TB"},  // stays in TB
        {UINT64_MAX, u"16777216.0 TB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.value, false, 32, none, u'.'), c.text) << c.value;

    EXPECT_EQ(SizeText(1536, true, 32, none, u'.'), u"1536 B");
    EXPECT_EQ(SizeText(1536, false, 32, none, u','), u"1,5 KB");
    EXPECT_EQ(SizeText(1536, false, 5, none, u'.'), u"1.5 ");  // cut to the capacity
    EXPECT_EQ(SizeText(1536, false, 0, none, u'.'), u"");

    // A loaded language translates the unit word when it has it.
    testing::FakeLanguage german;
    german.words = {{"KB", u"kB"}};
    EXPECT_EQ(SizeText(1536, false, 32, german, u','), u"1,5 kB");
    EXPECT_EQ(SizeText(MB, false, 32, german, u','), u"1 MB");
}

}  // namespace
}  // namespace updater
