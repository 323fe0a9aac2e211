#include <gtest/gtest.h>

#include <map>

#include "platform/files.h"
#include "qo_version.h"
#include "updater/support/version_compare.h"
#include "updater/support/version_resource.h"

namespace updater {
namespace {

using platform::WString;

TEST(VersionCompare, ComparesFieldsAndCountsThem) {
    int count = -1;
    EXPECT_LT(CompareVersions(u"1.2.3.4", u"1.2.10.0", count), 0);
    EXPECT_EQ(CompareVersions(u"1.2.3.4", u"1.2.10.0", count), 3 - 10);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(CompareVersions(u"1,2,3,4", u"1.2.3.4", count), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(CompareVersions(u"2", u"10", count), 2 - 10);
    EXPECT_EQ(count, 1);
    // Fields not read are 0; the count is the smaller one.
    EXPECT_EQ(CompareVersions(u"1.2", u"1.2.0.0", count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(CompareVersions(u"3.1", u"3", count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(CompareVersions(u" 5.-1.x", u"5", count), -1);
    EXPECT_EQ(count, 1);
    // Text without numbers reads no field; such texts compare equal.
    EXPECT_EQ(CompareVersions(u"beta", u"", count), 0);
    EXPECT_EQ(count, 0);
    // A fifth field and trailing text are ignored.
    EXPECT_EQ(CompareVersions(u"1.2.3.4.9 rc", u"1.2.3.4", count), 0);
    EXPECT_EQ(count, 4);
    // Huge numbers saturate and the difference stays in range.
    EXPECT_EQ(CompareVersions(u"99999999999", u"-99999999999", count),
              std::numeric_limits<int>::max());
    EXPECT_EQ(CompareVersions(u"-99999999999", u"99999999999", count),
              std::numeric_limits<int>::min());
}

class FakeVersionData : public VersionData {
  public:
    std::vector<VersionTranslation> translations;
    std::map<WString, WString> texts;

    std::vector<VersionTranslation> Translations() const override { return translations; }
    bool QueryText(platform::WStringView subBlock, WString& value) const override {
        const auto it = texts.find(WString(subBlock));
        if (it == texts.end())
            return false;
        value = it->second;
        return true;
    }
};

TEST(VersionResource, WalksTheTranslationsForTheFirstNonEmptyValue) {
    FakeVersionData data;
    WString value;
    EXPECT_FALSE(FindVersionValue(data, u"FileVersion", 0, value));

    data.translations = {{0x0407, 0x04e4}, {0x0409, 1200}, {0x0409, 0x04e4}};
    data.texts[u"\\StringFileInfo\\040704e4\\FileVersion"] = u"";
    data.texts[u"\\StringFileInfo\\040904b0\\FileVersion"] = u"2.5";
    data.texts[u"\\StringFileInfo\\040904e4\\FileVersion"] = u"9.9";
    data.texts[u"\\StringFileInfo\\040704e4\\Comments"] = u"Deutsch";
    EXPECT_TRUE(FindVersionValue(data, u"FileVersion", 0, value));
    EXPECT_EQ(value, u"2.5");
    EXPECT_TRUE(FindVersionValue(data, u"FileVersion", 0x0409, value));
    EXPECT_EQ(value, u"2.5");
    EXPECT_FALSE(FindVersionValue(data, u"FileVersion", 0x0407, value));
    EXPECT_EQ(value, u"");
    EXPECT_TRUE(FindVersionValue(data, u"Comments", 0, value));
    EXPECT_EQ(value, u"Deutsch");
    EXPECT_FALSE(FindVersionValue(data, u"Comments", 0x0409, value));
    EXPECT_FALSE(FindVersionValue(data, u"", 0, value));
}

TEST(VersionResource, ReadsTheProgramsOwnVersionWithinTheCapacity) {
    const WString self = platform::ProgramFilePath();
    const WString version = platform::FromUtf8(QO_VERSION_TEXT);
    WString value;
    EXPECT_TRUE(VersionResourceText(self, u"FileVersion", 0, value));
    EXPECT_EQ(value, version);
    EXPECT_TRUE(VersionResourceText(self, u"ProductVersion", 0x0409, value));
    EXPECT_EQ(value, version);
    EXPECT_TRUE(VersionResourceText(self, u"LegalCopyright", 0, value));
    EXPECT_EQ(value, platform::FromUtf8(QO_COPYRIGHT));
    EXPECT_FALSE(VersionResourceText(self, u"FileVersion", 0x0407, value));
    EXPECT_FALSE(VersionResourceText(self, u"NoSuchValue", 0, value));

    // The value must fit with its terminator.
    char16_t out[64];
    size_t capacity = version.size();
    EXPECT_FALSE(VersionResourceText(self, out, capacity, u"FileVersion"));
    EXPECT_EQ(capacity, 0u);
    EXPECT_EQ(out[0], 0);
    capacity = version.size() + 1;
    EXPECT_TRUE(VersionResourceText(self, out, capacity, u"FileVersion"));
    EXPECT_EQ(capacity, version.size());
    EXPECT_EQ(WString(out), version);
}

TEST(VersionResource, FilesWithoutAResourceHaveNoValues) {
    WString file;
    ASSERT_TRUE(platform::CreateUniqueTempFile(platform::TempFolder(), u"ver", file));
    WString value;
    char16_t out[64];
    for (const char16_t* name : {u"FileVersion", u"ProductVersion", u"LegalCopyright"}) {
        size_t capacity = 64;
        EXPECT_FALSE(VersionResourceText(file, out, capacity, name));
        EXPECT_FALSE(VersionResourceText(u"", name, 0, value));
        EXPECT_FALSE(VersionResourceText(platform::JoinPath(file, u"missing"), name, 0, value));
    }
    EXPECT_TRUE(platform::DeleteOneFile(file));
}

}  // namespace
}  // namespace updater
