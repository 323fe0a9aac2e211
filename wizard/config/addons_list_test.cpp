#include "wizard/config/addons_list.h"

#include <gtest/gtest.h>

namespace wizard {
namespace {

TEST(AddonsList, SplitsLocalAndMemberNames) {
    AddonEntry entry;
    ASSERT_TRUE(ParseAddonsLine("extra.bin   tmp/extra.bin   \n", entry));
    EXPECT_EQ(entry.localName, "extra.bin");
    EXPECT_EQ(entry.memberName, "tmp/extra.bin");

    // The member name keeps inner blanks; tabs separate as blanks do; CR LF ends.
    ASSERT_TRUE(ParseAddonsLine("a.txt\tdocs/read me.txt \t\r\n", entry));
    EXPECT_EQ(entry.localName, "a.txt");
    EXPECT_EQ(entry.memberName, "docs/read me.txt");
}

TEST(AddonsList, SkipsLinesThatNameNoMember) {
    AddonEntry entry;
    EXPECT_FALSE(ParseAddonsLine("extra.bin", entry));
    EXPECT_FALSE(ParseAddonsLine("extra.bin    \r\n", entry));
    EXPECT_FALSE(ParseAddonsLine("", entry));
    EXPECT_FALSE(ParseAddonsLine("\n", entry));
    EXPECT_FALSE(ParseAddonsLine("   tmp/x", entry));  // no local name
    EXPECT_FALSE(ParseAddonsLine(std::string("a b\0c", 5), entry));
    EXPECT_FALSE(ParseAddonsLine("a " + std::string(kAddonsMaxLine, 'x'), entry));
}

TEST(AddonsList, ReadsEveryLineInOrder) {
    const auto entries = ParseAddonsText("one  m/one\r\nlonely\r\n\r\ntwo m/two\nthree m/three");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].memberName, "m/one");
    EXPECT_EQ(entries[1].localName, "two");
    EXPECT_EQ(entries[2].memberName, "m/three");
    EXPECT_TRUE(ParseAddonsText("").empty());
}

}  // namespace
}  // namespace wizard
