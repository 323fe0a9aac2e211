#include "updater/support/placeholder_check.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(PlaceholderCheck, AcceptsReorderingAndRefusesOtherArgumentLists) {
    // Same placeholders, other words or order.
    EXPECT_TRUE(PlaceholdersAgree(u"%s ( %s von %s kopiert )", u"%s ( %s of %s copied )"));
    EXPECT_TRUE(PlaceholdersAgree(u"%2 %1", u"%1 %2"));
    EXPECT_TRUE(PlaceholdersAgree(u"%3 %2 %1", u"%1 %2 %3"));
    EXPECT_TRUE(PlaceholdersAgree(u"Keine", u"None"));
    EXPECT_TRUE(PlaceholdersAgree(u"%d%% von %s", u"%d%% of %s completed"));
    // Missing, extra or changed placeholders.
    EXPECT_FALSE(PlaceholdersAgree(u"%s ( %s kopiert )", u"%s ( %s of %s copied )"));
    EXPECT_FALSE(PlaceholdersAgree(u"%s %s %s %s", u"%s ( %s of %s copied )"));
    EXPECT_FALSE(PlaceholdersAgree(u"Fertig %s", u"Done"));
    EXPECT_FALSE(PlaceholdersAgree(u"%2", u"%1 %2"));
    EXPECT_FALSE(PlaceholdersAgree(u"%d von %s", u"%s of %s"));
    EXPECT_FALSE(PlaceholdersAgree(u"%s von %d", u"%s of %s"));
    // A positional translation may not slip in a further conversion.
    EXPECT_FALSE(PlaceholdersAgree(u"%1 %s", u"%1"));
    // The whole specification counts, not only its first character.
    EXPECT_FALSE(PlaceholdersAgree(u"%-5d", u"%-5s"));
    EXPECT_FALSE(PlaceholdersAgree(u"%I64d", u"%d"));
    EXPECT_FALSE(PlaceholdersAgree(u"%*s", u"%s"));
    EXPECT_FALSE(PlaceholdersAgree(u"%n%s", u"%s"));
}

TEST(PlaceholderCheck, PercentSignsThatAreText) {
    // "%%" is text in both.
    EXPECT_TRUE(PlaceholdersAgree(u"100 %% fertig", u"100%% done"));
    EXPECT_FALSE(PlaceholdersAgree(u"%s %% %s", u"%s %%"));
    // A key ending with "%" agrees whenever the arguments are the same ...
    EXPECT_TRUE(PlaceholdersAgree(u"50 Prozent", u"50%"));
    EXPECT_TRUE(PlaceholdersAgree(u"%s: 50 %", u"%s: 50%"));
    // ... but may not take in a conversion the English text lacks.
    EXPECT_FALSE(PlaceholdersAgree(u"%s fertig", u"50%"));
    EXPECT_FALSE(PlaceholdersAgree(u"%d %", u"Done %"));
    // "%0" ends a pattern; what follows takes nothing.
    EXPECT_EQ(PatternArguments(u"%1 %0 %s"), "s");
    EXPECT_EQ(PatternArguments(u"%2 %1"), "ss");
    EXPECT_EQ(PatternArguments(u"%I64u %lu %hd %5.2f %p %-8s %05d %"), "Liifpsi");
}

}  // namespace
}  // namespace updater
