#include "wizard/bootconfig/scheme_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"

namespace wizard {
namespace {

struct Indices {
    int32_t hdd = 0, ssd = 0, removables = 0, hybrid = 0;
    SchemeIndices Refs() { return {hdd, ssd, removables, hybrid}; }
};

class SchemeCatalogueTest : public ::testing::Test {
  protected:
    void Write(const std::string& name, const std::string& text) {
        scratch_.Write(platform::FromUtf8(name), text);
    }
    const platform::WString& Folder() const { return scratch_.Path(); }

    qo::test::ScratchFolder scratch_{u"qo-schemes"};
};

std::vector<platform::WString> Names(const SchemeList& schemes) {
    std::vector<platform::WString> names;
    for (const WipeScheme& s : schemes)
        names.push_back(s.FileName);
    return names;
}

TEST_F(SchemeCatalogueTest, OrdersByWeightKeepingListingOrderAndPicks) {
    Write("b_light.sch", "[1-pass random (b)]\nrandom\n");
    Write("a_light.sch", "[1-pass random (a)]\nrandom\n");
    Write("heavy.sch", "[7-pass US DoD 5220-22M(ECE)]\nrandom verify\nrandom\n");
    Write("mid.sch", "[3-pass US DoD 5220-22M(E)] x\n00\n1. 00\n2. complement\n3. random\n");
    Write("empty.sch", "[Only a header]\n");
    Write("notes.txt", "[Not a scheme file]\nrandom\n");
    ASSERT_TRUE(platform::CreateFolder(scratch_ / u"folder.sch"));
    Write("USER.SCH", "1. zero verify\n");

    SchemeList schemes;
    Indices idx;
    ASSERT_TRUE(RescanSchemes(Folder(), schemes, idx.Refs()));
    const std::vector<platform::WString> expected{u"heavy.sch", u"mid.sch", u"a_light.sch",
                                                  u"b_light.sch", u"USER.SCH"};
    EXPECT_EQ(Names(schemes), expected);
    EXPECT_EQ(schemes[1].SchemeWeight, 7);
    EXPECT_EQ(schemes[1].PassCount, 3);
    EXPECT_EQ(schemes[0].FilePath, platform::JoinPath(Folder(), u"heavy.sch"));
    EXPECT_EQ(schemes[4].DisplayName, u"User-defined");
    // Recommended picks; of two "1-pass random" schemes the later one wins.
    EXPECT_EQ(idx.hdd, 0);
    EXPECT_EQ(idx.ssd, 1);
    EXPECT_EQ(idx.hybrid, 1);
    EXPECT_EQ(idx.removables, 3);

    // Stored choices are neither replaced nor remapped by a rescan.
    Indices chosen{0, 4, 0, 0};
    ASSERT_TRUE(RescanSchemes(Folder(), schemes, chosen.Refs()));
    EXPECT_EQ(chosen.hdd, 0);
    EXPECT_EQ(chosen.ssd, 4);
    EXPECT_EQ(chosen.removables, 0);
}

TEST_F(SchemeCatalogueTest, PicksAreAnchoredAndCaseSensitive) {
    Write("a.sch", "[ 1-pass random]\nrandom\n");
    Write("b.sch", "[1-PASS RANDOM]\nrandom\n");
    Write("c.sch", "[7-pass US DoD 5220-22M(ECE) extended]\nzero\n");
    SchemeList schemes;
    Indices idx;
    ASSERT_TRUE(RescanSchemes(Folder(), schemes, idx.Refs()));
    ASSERT_EQ(schemes.size(), 3u);
    EXPECT_EQ(idx.removables, 0);  // no match: stays 0
    EXPECT_EQ(idx.hdd, 2);         // a prefix match is enough
}

TEST_F(SchemeCatalogueTest, MissingOrEmptyFolders) {
    SchemeList schemes(2);
    Indices idx;
    EXPECT_FALSE(RescanSchemes(Folder() + u"-missing", schemes, idx.Refs()));
    EXPECT_TRUE(schemes.empty());
    Write("readme.txt", "no schemes\n");
    schemes.resize(1);
    EXPECT_FALSE(RescanSchemes(Folder(), schemes, idx.Refs()));
    EXPECT_TRUE(schemes.empty());
    // Scheme files that are all left out: listed, but an empty catalogue.
    Write("bad.sch", "nothing\n");
    EXPECT_TRUE(RescanSchemes(Folder(), schemes, idx.Refs()));
    EXPECT_TRUE(schemes.empty());
    EXPECT_EQ(idx.hdd + idx.ssd + idx.removables + idx.hybrid, 0);
}

// The scheme files shipped in payload/schemes.
TEST(ShippedSchemes, CatalogueOrderAndRecommendedPicks) {
    const platform::WString folder = qo::test::SourceFile({u"payload", u"schemes"});
    SchemeList schemes;
    Indices idx;
    ASSERT_TRUE(RescanSchemes(folder, schemes, idx.Refs()));
    const std::vector<platform::WString> expected{u"gutmann_35pass.sch", u"dod_5220_22m_ece.sch",
                                                  u"dod_5220_22m_e.sch", u"user_defined_1.sch",
                                                  u"random_1pass.sch",   u"pattern_1pass.sch",
                                                  u"zero_fill.sch"};
    EXPECT_EQ(Names(schemes), expected);
    std::vector<std::pair<int32_t, int32_t>> counts;
    for (const WipeScheme& s : schemes)
        counts.emplace_back(s.PassCount, s.SchemeWeight);
    const std::vector<std::pair<int32_t, int32_t>> expectedCounts{{35, 59}, {7, 19}, {3, 8}, {2, 6},
                                                                  {1, 4},   {1, 1},  {1, 1}};
    EXPECT_EQ(counts, expectedCounts);
    EXPECT_EQ(schemes[0].DisplayName, u"35-pass Gutmann");
    EXPECT_EQ(schemes[3].DisplayName, u"User-defined");
    EXPECT_EQ(schemes[idx.hdd].DisplayName, kRecommendedHddScheme);
    EXPECT_EQ(schemes[idx.ssd].DisplayName, kRecommendedSsdScheme);
    EXPECT_EQ(idx.hybrid, idx.ssd);
    EXPECT_EQ(schemes[idx.removables].DisplayName, kRecommendedRemovableScheme);
}

}  // namespace
}  // namespace wizard
