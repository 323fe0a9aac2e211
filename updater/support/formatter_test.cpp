#include "updater/support/formatter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>

namespace updater {
namespace {

using platform::WString;

template <typename... Args>
WString F(const char16_t* pattern, const Args&... args) {
    return FormatToString(4096, pattern, args...);
}

TEST(Formatter, CopiesTextPercentSignsAndStrings) {
    EXPECT_EQ(F(u"%d%% of %s completed", 42, u"setup.exe"), u"42% of setup.exe completed");
    EXPECT_EQ(F(u"100%%"), u"100%");
    EXPECT_EQ(F(u"trailing %"), u"trailing %");
    EXPECT_EQ(F(u"plain text"), u"plain text");
    EXPECT_EQ(F(u""), u"");
    // Strings of every form; an integer shown by "%s" shows its digits.
    const WString owned = u"owned";
    EXPECT_EQ(F(u"%s|%s|%S|%s", owned, platform::WStringView(u"view"), u"wide", 42),
              u"owned|view|wide|42");
    char16_t out[8];
    EXPECT_EQ(Format(out, 8, u"%s", u"abc"), out);
    EXPECT_EQ(WString(out), u"abc");
    EXPECT_EQ(Format(out, 8, nullptr), out);
    EXPECT_EQ(WString(out), u"");
    const WString translated = u"%2, %1";
    Format(out, 8, translated, u"a", u"b");
    EXPECT_EQ(WString(out), u"b, a");
}

TEST(Formatter, PositionalPlaceholdersTakeArgumentsInOrder) {
    EXPECT_EQ(F(u"%2 %1", u"5", u"Mins"), u"Mins 5");
    EXPECT_EQ(F(u"%2 %1", 5, u"Mins"), u"Mins 5");
    EXPECT_EQ(F(u"%1 %2 %3", 1, u"Hour", u""), u"1 Hour ");
    EXPECT_EQ(F(u"%1-%1-%2", u"a", u"b"), u"a-a-b");
    // "%s" adds to the list the placeholders index; other conversions do not.
    EXPECT_EQ(F(u"%s and %1", u"A"), u"A and A");
    EXPECT_EQ(F(u"%d then %1", 7, u"X"), u"7 then X");
    // Once a placeholder occurred, a number before a letter is a placeholder too.
    EXPECT_EQ(F(u"%1 %2s", u"A", u"B"), u"A Bs");
    // A size modifier after a placeholder stays text.
    EXPECT_EQ(F(u"%1Items", u"3 "), u"3 Items");
    // Null strings and missing arguments show "<Null>"; "%0" ends the text.
    EXPECT_EQ(F(u"[%1]", nullptr), u"[<Null>]");
    EXPECT_EQ(F(u"[%1][%2]", u"a"), u"[a][<Null>]");
    EXPECT_EQ(F(u"ab%0 cd", u"x"), u"ab");
    // A number with a precision and a letter is a width; without them, text follows.
    EXPECT_EQ(F(u"%1. %1.0 %1.x", u"v"), u"v. v.0 v.x");
    EXPECT_EQ(F(u"%1 %0 %2", u"x", u"y"), u"x ");
    EXPECT_EQ(F(u"[%999999999999]", u"x"), u"[<Null>]");
}

TEST(Formatter, StringWidthsPadShortAndNullStrings) {
    EXPECT_EQ(F(u"[%5s]", u"ab"), u"[   ab]");
    EXPECT_EQ(F(u"[%-5s]", u"ab"), u"[ab   ]");
    EXPECT_EQ(F(u"[%2s]", u"abcd"), u"[abcd]");
    EXPECT_EQ(F(u"[%s]", nullptr), u"[NULL]");
    EXPECT_EQ(F(u"[%6s]", static_cast<const char16_t*>(nullptr)), u"[  NULL]");
    EXPECT_EQ(F(u"[%s]"), u"[NULL]");
    EXPECT_EQ(F(u"[%.2s]", u"abcdef"), u"[ab]");
    EXPECT_EQ(F(u"[%511s]", u"a").size(), 513u);
    // Widths from 512 on are ignored, however large.
    EXPECT_EQ(F(u"[%512s]", u"a"), u"[a]");
    EXPECT_EQ(F(u"[%99999999999999999999s]", u"a"), u"[a]");
    EXPECT_EQ(F(u"[%-5C]", u'\u20ac'), u"[\u20ac    ]");
}

TEST(Formatter, NumericConversionsTakeFourOrEightBytes) {
    EXPECT_EQ(F(u"%05d|%-4d|%+d|% d", 42, 42, 42, 42), u"00042|42  |+42| 42");
    EXPECT_EQ(F(u"%x %X %#x %o", 255, 255, 255, 8), u"ff FF 0xff 10");
    // Four bytes: the low half of a wider value, read as the letter says.
    EXPECT_EQ(F(u"%u", -1), u"4294967295");
    EXPECT_EQ(F(u"%x|%lx|%I32x", uint64_t(0x1000000ff), uint64_t(0x1000000ff), int64_t(-1)),
              u"ff|ff|ffffffff");
    EXPECT_EQ(F(u"%d", uint32_t(0xffffffff)), u"-1");
    EXPECT_EQ(F(u"%hd", 65537), u"1");
    // Eight bytes: I64 and ll; narrower arguments extend by their own sign.
    EXPECT_EQ(F(u"%I64d", std::numeric_limits<int64_t>::min()), u"-9223372036854775808");
    EXPECT_EQ(F(u"%I64u|%llx", std::numeric_limits<uint64_t>::max(), uint64_t(0x1000000ff)),
              u"18446744073709551615|1000000ff");
    EXPECT_EQ(F(u"%I64d|%I64u", -5, uint32_t(0xffffffff)), u"-5|4294967295");
    // Floating conversions; an integer argument is converted.
    EXPECT_EQ(F(u"%.2f|%5.1f|%e|%g", 3.14159, 2.25, 1500.0, 0.5), u"3.14|  2.2|1.500000e+03|0.5");
    EXPECT_EQ(F(u"%.1f", 3), u"3.0");
    EXPECT_EQ(F(u"%c%c", 'O', u'k'), u"Ok");
    EXPECT_EQ(F(u"%3d%%", 7), u"  7%");
}

TEST(Formatter, SpacesAndPointers) {
    EXPECT_EQ(F(u"[%P]", 3), u"[   ]");
    EXPECT_EQ(F(u"[%P]", 0), u"[]");
    EXPECT_EQ(F(u"%P", 511).size(), 511u);
    EXPECT_EQ(F(u"%P", 512), u"'Invalid value'");
    EXPECT_EQ(F(u"%P", -1), u"'Invalid value'");
    EXPECT_EQ(F(u"%P", u"3"), u"'Invalid value'");
    EXPECT_EQ(F(u"%P"), u"'Invalid value'");
    // After a number "P" is text: "%3P" is a placeholder.
    EXPECT_EQ(F(u"%3P", u"a", u"b", u"c"), u"cP");

    const WString zeros(sizeof(void*) * 2, u'0');
    EXPECT_EQ(F(u"%p", static_cast<void*>(nullptr)), u"0x" + zeros);
    int value = 0;
    const auto address = reinterpret_cast<uintptr_t>(&value);
    WString hex = F(u"%I64X", uint64_t(address));
    hex.insert(0, zeros.size() - hex.size(), u'0');
    EXPECT_EQ(F(u"%p", &value), u"0x" + hex);
    EXPECT_EQ(F(u"%1", &value), u"0x" + hex);
    EXPECT_EQ(F(u"%p", 0x1f), u"0x" + zeros.substr(2) + u"1F");
}

TEST(Formatter, HostileOrMismatchedSpecificationsGiveDefinedText) {
    // "%n" is never handed on: it stays text and skips its argument.
    int written = 1234;
    EXPECT_EQ(F(u"a%nb%d", &written, 3), u"a%nb3");
    EXPECT_EQ(F(u"%5n|%hn|%I64n", &written, &written, &written), u"%5n|%hn|%I64n");
    EXPECT_EQ(written, 1234);
    // Missing arguments and arguments of the wrong kind.
    EXPECT_EQ(F(u"[%d][%5.2f][%p][%C]"), u"[%d][%5.2f][%p][%C]");
    EXPECT_EQ(F(u"%d|%f|%p|%C", u"s", u"s", 1.5, 2.5), u"%d|%f|%p|%C");
    EXPECT_EQ(F(u"%d|%x", 2.9, -1.0), u"2|ffffffff");
    // Unreadable specifications are copied: "%" and the character after it.
    EXPECT_EQ(F(u"%q|%*d|%-|%I|%.", 5), u"%q|%*d|%-|%I|%.");
    // Widths and precisions are bounded, so no conversion outgrows its buffer.
    EXPECT_EQ(F(u"%999999999d", 5), u"5");
    EXPECT_EQ(F(u"%2147483648d|%4294967301d", 5, 6), u"5|6");
    EXPECT_EQ(F(u"%511d", 5).size(), 511u);
    EXPECT_EQ(F(u"%.999999f", 1.5).size(), 2u + 511u);
    EXPECT_EQ(F(u"%.999999d", 5).size(), 511u);
    EXPECT_EQ(F(u"%511.511f", 1e308).size(), 309u + 1 + 511);
    EXPECT_EQ(F(u"%#d|%05c|%+c", 4, 'x', 'y'), u"4|    x|y");
}

// Formats into a heap block of exactly the capacity (so AddressSanitizer sees
// any write past it) and checks the result is a terminated prefix.
template <typename... Args>
void CheckEveryCapacity(const char16_t* pattern, const Args&... args) {
    const WString full = F(pattern, args...);
    for (size_t capacity = 0; capacity <= full.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        auto block = std::make_unique<char16_t[]>(capacity + 1);
        block[0] = u'#';
        EXPECT_EQ(Format(block.get(), capacity, pattern, args...), block.get());
        if (capacity == 0) {
            EXPECT_EQ(block[0], u'#');
            continue;
        }
        const WString text(block.get());
        EXPECT_EQ(text, full.substr(0, capacity - 1));
    }
}

TEST(Formatter, CutsAtEveryCapacityWithoutOverrun) {
    CheckEveryCapacity(u"%d%% of %s completed", 42, u"setup.exe");
    CheckEveryCapacity(u"%2 %1 [%5s] [%-6s] %P|%p|%.3f|%I64x|%n|%q", u"one", u"two", u"ab", nullptr,
                       4, static_cast<void*>(nullptr), 3.14159, uint64_t(1) << 40, nullptr);
    CheckEveryCapacity(u"%1 %2 %3 %0 never", 1, u"Hour", u"");
    CheckEveryCapacity(u"%511d|%-511s|", 7, u"x");
}

}  // namespace
}  // namespace updater
