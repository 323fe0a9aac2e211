#include "platform/text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(Text, Utf8RoundTripsEveryPlaneAndRepairsBadInput) {
    const WString text = u"Ab\u00e9\u20ac\U0001F600\uFFFD";
    EXPECT_EQ(ToUtf8(text), "Ab\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);

    // Unpaired surrogates cannot be encoded: one U+FFFD each.
    EXPECT_EQ(ToUtf8(WString(u"a") + char16_t(0xD800) + u"b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(ToUtf8(WString(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
    // Truncated, overlong, surrogate and out-of-range sequences: one U+FFFD per bad run.
    EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"
                       "x"),
              u"\uFFFDx");
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");
    EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80!"), u"\uFFFD!");
    EXPECT_EQ(FromUtf8(std::string("\0z", 2)), WString(u"\0z", 2));
}

TEST(Text, Windows1252MapsTheHighRangeAndReplacesTheRest) {
    const std::string all = [] {
        std::string s;
        for (int b = 1; b < 256; ++b)
            s += static_cast<char>(b);
        return s;
    }();
    // Every byte maps to a character and back to itself.
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_EQ(FromWindows1252("\x80\x9F\xE9"), u"\u20AC\u0178\u00E9");
    // Undefined bytes map to the C1 control of the same number, as on Windows.
    EXPECT_EQ(FromWindows1252("\x81"), u"\u0081");
    // Unmappable characters (also a whole surrogate pair) become one '?'.
    EXPECT_EQ(ToWindows1252(u"x\u4e2d\U0001F600y"), "x??y");
    EXPECT_EQ(ToWindows1252(u"\u0100", '#'), "#");
}

TEST(Text, AnsiCodePageKeepsTheWesternCharacters) {
    // Both targets run with a Western code page (Linux: Windows-1252 by design,
    // Wine and Windows test machines: 1252 by default).
    EXPECT_EQ(ToAnsi(u"Quelix \u00e9\u20ac"), "Quelix \xE9\x80");
    EXPECT_EQ(FromAnsi("Quelix \xE9\x80"), u"Quelix \u00e9\u20ac");
    EXPECT_EQ(ToAnsi(u""), "");
    EXPECT_EQ(FromAnsi(""), u"");
    const std::string unmapped = ToAnsi(u"\u4e2d");
    ASSERT_EQ(unmapped.size(), 1u);
    EXPECT_EQ(unmapped, "?");
}

TEST(Text, IgnoresAsciiCaseOnly) {
    EXPECT_TRUE(EqualsIgnoreCase(u"AutoStart", u"autostart"));
    EXPECT_FALSE(EqualsIgnoreCase(u"AutoStart", u"AutoStar"));
    EXPECT_FALSE(EqualsIgnoreCase(u"\u00c9", u"\u00e9"));
}

}  // namespace
}  // namespace platform
