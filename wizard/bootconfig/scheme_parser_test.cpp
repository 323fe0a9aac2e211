#include "wizard/bootconfig/scheme_parser.h"

#include <gtest/gtest.h>

#include <string>

namespace wizard {
namespace {

struct Parsed {
    bool accepted = false;
    WipeScheme scheme;
};

Parsed Parse(std::string_view text) {
    Parsed p;
    p.accepted = ParseSchemeText(text, p.scheme);
    return p;
}

TEST(SchemeParser, HeaderAndNumberedStarts) {
    std::string ece = "[7-pass US DoD 5220-22M(ECE)]\n";
    for (int i = 1; i <= 7; ++i)
        ece += std::to_string(i) + ". Random, Verify\n";
    Parsed p = Parse(ece);
    ASSERT_TRUE(p.accepted);
    EXPECT_EQ(p.scheme.DisplayName, u"7-pass US DoD 5220-22M(ECE)");
    EXPECT_EQ(p.scheme.PassCount, 7);
    EXPECT_EQ(p.scheme.SchemeWeight, 35);

    // Without a header the numbered line starts the scheme and is its first
    // pass, but earns no verify bonus; later passes do.
    p = Parse("  1. zero verify\n2. random verify\n");
    ASSERT_TRUE(p.accepted);
    EXPECT_EQ(p.scheme.DisplayName, u"User-defined");
    EXPECT_EQ(p.scheme.PassCount, 2);
    EXPECT_EQ(p.scheme.SchemeWeight, 1 + 4 + 1);

    // Lines before the start are skipped, even when they name a keyword.
    p = Parse("random notes\n# zero\n[Name] trailing ] text\nrandom\n");
    ASSERT_TRUE(p.accepted);
    EXPECT_EQ(p.scheme.DisplayName, u"Name] trailing ");
    EXPECT_EQ(p.scheme.PassCount, 1);
    EXPECT_EQ(p.scheme.SchemeWeight, 4);

    // The header name is taken as written; later header-like lines are passes
    // only when they hold a keyword or a pattern.
    p = Parse("[MiXeD Case]\n[another] random\n-3 not a pass\n");
    ASSERT_TRUE(p.accepted);
    EXPECT_EQ(p.scheme.DisplayName, u"MiXeD Case");
    EXPECT_EQ(p.scheme.PassCount, 1);
    // A signed number starts a header-less scheme, as "%d" reads it.
    EXPECT_EQ(Parse("\t-2. ff\n").scheme.DisplayName, u"User-defined");
}

TEST(SchemeParser, KeywordsWeightsAndComplements) {
    // First match in the order random, complement, test, zero decides.
    EXPECT_EQ(ClassifyPassLine("random zero")->type, PassType::Random);
    EXPECT_EQ(ClassifyPassLine("zero complement")->type, PassType::Complement);
    EXPECT_EQ(ClassifyPassLine("latest zero")->type, PassType::Test);
    EXPECT_EQ(ClassifyPassLine("3. zeros")->type, PassType::Zero);
    EXPECT_TRUE(ClassifyPassLine("1. verify random")->verify);
    EXPECT_FALSE(ClassifyPassLine("verify"));
    EXPECT_FALSE(ClassifyPassLine("1. no pattern here"));
    // Keywords are matched on the lower-cased line.
    EXPECT_EQ(Parse("[x]\nRANDOM\n").scheme.SchemeWeight, 4);

    // Complement: previous pass + 1; before any pass the previous weight is 1.
    EXPECT_EQ(Parse("[x]\n1. random\n2. complement\n").scheme.SchemeWeight, 4 + 5);
    EXPECT_EQ(Parse("[x]\n1. complement\n").scheme.SchemeWeight, 2);
    EXPECT_EQ(Parse("[x]\n1. complement\n2. complement\n").scheme.SchemeWeight, 2 + 3);
    // A complement builds on the pass weight, not on the verify bonus.
    EXPECT_EQ(Parse("[x]\n1. random verify\n2. complement verify\n").scheme.SchemeWeight, 5 + 6);
    // Invalid lines do not reset what a complement builds on.
    EXPECT_EQ(Parse("[x]\n1. test\nnothing\n2. complement\n").scheme.SchemeWeight, 1 + 2);
    // Test, zero and pattern weigh 1, plus 1 for verify.
    EXPECT_EQ(Parse("[x]\n1. test verify\n2. zero\n3. 5a verify\n").scheme.SchemeWeight, 5);
}

TEST(SchemeParser, Patterns) {
    EXPECT_EQ(PatternLength("1. 55, +3 aa, zz"), 4);  // zz is skipped
    EXPECT_TRUE(ClassifyPassLine("1. 55, +3 aa, zz"));
    EXPECT_EQ(ClassifyPassLine("1. 55, +3 aa, zz")->type, PassType::Pattern);
    EXPECT_EQ(PatternLength("1. +70000 ff"), 65536);
    EXPECT_EQ(PatternLength("1. +65535 ff, 11"), 65536);
    EXPECT_EQ(PatternLength("1. +65534 ff, 11, 22, +9 33"), 65536);
    EXPECT_EQ(PatternLength("1. +65534 ff, 11"), 65535);
    EXPECT_EQ(PatternLength("1. +99999999999999999999 ff, 1"), 65536);
    // Only the text after the first "." counts.
    EXPECT_EQ(PatternLength("ab, cd"), 0);
    EXPECT_EQ(PatternLength("1.2.3"), 1);
    EXPECT_EQ(PatternLength("1. ,,, 0x1f ,"), 1);
    // "+N XX" needs both numbers; a count below 1 adds nothing.
    EXPECT_EQ(PatternLength("1. +3, +x ff, + 4"), 0);
    EXPECT_EQ(PatternLength("1. +0 ff, +-5 ff"), 0);
    EXPECT_FALSE(ClassifyPassLine("1. +0 ff"));
    EXPECT_EQ(PatternLength("1. +2 ff, -1"), 3);
    // The text past a NUL is not seen, as C string functions would not.
    EXPECT_EQ(PatternLength(std::string_view("1. zz\0 55", 9)), 0);
}

TEST(SchemeParser, PatternBytesAndPasses) {
    const struct {
        std::string_view line;
        std::string bytes;
    } patterns[] = {
        {"1. +2 55, aa, ff", "\x55\x55\xaa\xff"},
        {"1. 55, +3 aa, zz", "\x55\xaa\xaa\xaa"},
        {"1. 0x1f, -1, 1ff", "\x1f\xff\xff"},  // "%x" then the low byte
        {"1. + 2 0a", "\x0a\x0a"},
        {"1. zz", ""},
    };
    for (const auto& p : patterns)
        EXPECT_EQ(PatternBytes(p.line), p.bytes) << p.line;
    const std::string cut = PatternBytes("1. +65534 11, 22, +9 33");
    ASSERT_EQ(cut.size(), 65536u);
    EXPECT_EQ(cut.substr(65533), "\x11\x22\x33");

    // The passes are exactly the lines the catalogue counts, with their kind,
    // verify flag and pattern.
    const std::string text =
        "; note\n[Three]\n1. 00\n2. Complement\njunk\n3. random verify\n4. AA, +2 55\n";
    std::string name;
    std::vector<SchemePass> passes;
    ASSERT_TRUE(ParseSchemePasses(text, name, passes));
    EXPECT_EQ(name, "Three");
    WipeScheme scheme;
    ASSERT_TRUE(ParseSchemeText(text, scheme));
    ASSERT_EQ(passes.size(), static_cast<size_t>(scheme.PassCount));
    EXPECT_EQ(passes[0].type, PassType::Pattern);
    EXPECT_EQ(passes[0].pattern, std::string(1, '\0'));
    EXPECT_EQ(passes[1].type, PassType::Complement);
    EXPECT_EQ(passes[2].type, PassType::Random);
    EXPECT_TRUE(passes[2].verify);
    EXPECT_FALSE(passes[1].verify);
    EXPECT_EQ(passes[3].pattern, "\xaa\x55\x55");
    EXPECT_FALSE(ParseSchemePasses("[Only a header]\n", name, passes));
}

TEST(SchemeParser, FilesLeftOutAndLineHandling) {
    EXPECT_FALSE(Parse("").accepted);
    EXPECT_FALSE(Parse("[Only a header]\n").accepted);
    EXPECT_FALSE(Parse("[]\n1. random\n").accepted);
    EXPECT_FALSE(Parse("no start\nrandom\n").accepted);
    EXPECT_FALSE(Parse("[x]\nnothing valid\n1. zz\n").accepted);
    // A header-less file whose numbered line is no pass still counts later passes.
    EXPECT_EQ(Parse("1. nothing\nrandom verify\n").scheme.SchemeWeight, 5);

    // CR LF files read as LF files, and a last line without newline counts.
    const Parsed crlf = Parse("; note\r\n[CR LF]\r\n1. random verify\r\n2. zero");
    ASSERT_TRUE(crlf.accepted);
    EXPECT_EQ(crlf.scheme.DisplayName, u"CR LF");
    EXPECT_EQ(crlf.scheme.SchemeWeight, 6);

    // Header names are single-byte text in the ANSI code page.
    const Parsed ansi = Parse(
        "[3-pass Gr\xfc\xdf"
        "e]\nrandom\n");
    ASSERT_TRUE(ansi.accepted);
    EXPECT_EQ(ansi.scheme.DisplayName, platform::FromAnsi("3-pass Gr\xfc\xdf"
                                                          "e"));

    // A line longer than the line buffer is read in pieces of 2047 bytes.
    std::string longLine = "[long]\n" + std::string(2047, 'x') + "random\n";
    EXPECT_EQ(Parse(longLine).scheme.PassCount, 1);
    longLine = "[long]\n" + std::string(2044, 'x') + "random\n";
    EXPECT_FALSE(Parse(longLine).accepted);  // "random" is split across pieces
}

}  // namespace
}  // namespace wizard
