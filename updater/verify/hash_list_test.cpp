#include "updater/verify/hash_list.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

using platform::WString;
using qo::test::ScratchFolder;
using testing::MessageRecorder;

constexpr char kInstaller[] = "MZ Quelix Omnisweep demo installer\r\n";
// sha512sum and md5sum of kInstaller.
constexpr char kInstallerSha512[] =
    "2CE20A8394BAC464057AA9E14AC54EB11CD1611E86C3C38C4C22F63C7D16A6D7"
    "CD98F74EB60DAE006C501DD2E09601FC7198CB232EA75946C6E442A59D784570";
constexpr char kInstallerMd5[] = "F110A400CF994671D954FEB73ADCB16F";

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Utf16Le(std::string_view ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii)
        out += std::string{c, '\0'};
    return out;
}

TEST(HashList, ReleasesAreTheSameWhenTheirFirst128CharactersAgree) {
    ScratchFolder site, installed;
    const std::string value(128, 'R');
    struct Case {
        const char* what;
        std::string siteFile, installedFile;
        bool same;
    };
    const std::vector<Case> cases{
        {"equal values", "[HASH]\n" + value + "\n", "[Version]\n1.0\n[HASH]\r\n" + value + "\r\n",
         true},
        {"a lower-case section name", "[hash]\nabc\n", "[HASH]\nabc\n", true},
        {"blank lines before the value", "[HASH]\n\n\nabc\n", "[HASH]\nabc", true},
        {"different encodings", Utf16Le("[HASH]\r\nabc\r\n"), "\xEF\xBB\xBF[HASH]\nabc\n", true},
        {"a difference after the 128th character", "[HASH]\n" + value + "x\n",
         "[HASH]\n" + value + "y\n", true},
        {"a difference in the 128th character", "[HASH]\n" + value.substr(0, 127) + "x\n",
         "[HASH]\n" + value.substr(0, 127) + "y\n", false},
        {"a longer value", "[HASH]\n" + value.substr(0, 100) + "\n", "[HASH]\n" + value + "\n",
         false},
        {"case differs", "[HASH]\nabc\n", "[HASH]\nABC\n", false},
        {"a trailing blank", "[HASH]\nabc \n", "[HASH]\nabc\n", false},
        {"no [HASH] on one side", "[HASH]\nabc\n", "[Version]\nabc\n", false},
        {"no [HASH] on either side", "[Version]\nabc\n", "[Version]\nabc\n", false},
        {"no line after [HASH]", "[HASH]\n", "[HASH]\n", false},
        {"a header with a blank", " [HASH]\nabc\n", " [HASH]\nabc\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        site.Write(u"omnisweep.ver", c.siteFile);
        installed.Write(u"omnisweep.ver", c.installedFile);
        EXPECT_EQ(SameRelease(site.Path(), installed.Path(), u"omnisweep.ver"), c.same);
        EXPECT_EQ(SameRelease(installed.Path(), site.Path(), u"omnisweep.ver"), c.same);
    }
    // A folder given with its separator, and a version file that is missing.
    site.Write(u"omnisweep.ver", "[HASH]\nabc\n");
    installed.Write(u"omnisweep.ver", "[HASH]\nabc\n");
    EXPECT_TRUE(
        SameRelease(site.Path() + platform::kPathSeparator, installed.Path(), u"omnisweep.ver"));
    EXPECT_FALSE(SameRelease(site.Path(), installed.Path(), u"other.ver"));
    EXPECT_FALSE(SameRelease(site.Path(), installed / u"missing", u"omnisweep.ver"));
}

TEST(HashList, AFileMatchesItsSha512EntryOrElseItsMd5Entry) {
    ScratchFolder folder;
    const WString installer = folder.Write(u"QuelixOmnisweepSetup.exe", kInstaller);
    const std::string sha = "[COMMON_HASH_SHA512-QuelixOmnisweepSetup.exe]\n";
    const std::string md5 = "[COMMON_HASH_MD5-QuelixOmnisweepSetup.exe]\n";
    const std::string wrongSha(128, 'A'), wrongMd5(32, 'A');
    struct Case {
        const char* what;
        std::string list;
        bool matches;
    };
    const std::vector<Case> cases{
        {"SHA-512 only", sha + kInstallerSha512 + "\n", true},
        {"MD5 only", "[Version]\n1.0\n" + md5 + kInstallerMd5 + "\r\n", true},
        {"both, SHA-512 decides", md5 + wrongMd5 + "\n" + sha + kInstallerSha512 + "\n", true},
        {"both, a matching MD5 does not help", sha + wrongSha + "\n" + md5 + kInstallerMd5 + "\n",
         false},
        {"a lower-case digest", sha + Lower(kInstallerSha512) + "\n", false},
        {"a lower-case MD5 digest", md5 + Lower(kInstallerMd5) + "\n", false},
        {"a lower-case section name", Lower(sha) + kInstallerSha512 + "\n", true},
        {"a digest with a trailing blank", sha + kInstallerSha512 + " \n", false},
        {"a digest cut short", sha + std::string(kInstallerSha512).substr(0, 127) + "\n", false},
        {"an entry for another file",
         "[COMMON_HASH_SHA512-Other.exe]\n" + std::string(kInstallerSha512) + "\n", false},
        {"an entry for another algorithm",
         "[COMMON_HASH_SHA256-QuelixOmnisweepSetup.exe]\n" + std::string(kInstallerSha512) + "\n",
         false},
        {"a section without its line", sha, false},
        {"UTF-16 text", Utf16Le(sha + kInstallerSha512 + "\r\n"), true},
    };
    MessageRecorder messages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const WString list = folder.Write(u"omnisweep.ver", c.list);
        EXPECT_EQ(FileMatchesListEntry(installer, list, messages), c.matches);
    }
    EXPECT_TRUE(messages.shown.empty());

    // Missing files make the answer false without a message.
    const WString list = folder.Write(u"omnisweep.ver", sha + kInstallerSha512 + "\n");
    EXPECT_FALSE(FileMatchesListEntry(folder / u"Missing.exe", list, messages));
    EXPECT_FALSE(FileMatchesListEntry(installer, folder / u"missing.ver", messages));
    EXPECT_TRUE(messages.shown.empty());
    // The entry is found by the file's name, wherever the file lies.
    const WString sub = folder / u"downloads";
    ASSERT_TRUE(platform::CreateFolder(sub));
    const WString moved = platform::JoinPath(sub, u"QuelixOmnisweepSetup.exe");
    ASSERT_TRUE(platform::CopyOneFile(installer, moved));
    EXPECT_TRUE(FileMatchesListEntry(moved, list, messages));
    // An empty installer has a digest too.
    const WString empty = folder.Write(u"Empty.exe", "");
    const WString emptyList = folder.Write(
        u"empty.ver", "[COMMON_HASH_MD5-Empty.exe]\nD41D8CD98F00B204E9800998ECF8427E\n");
    EXPECT_TRUE(FileMatchesListEntry(empty, emptyList, messages));
    // A folder named like the file cannot be hashed: its message is shown.
    const WString folderEntry = folder / u"Folder.exe";
    ASSERT_TRUE(platform::CreateFolder(folderEntry));
    const WString folderList =
        folder.Write(u"folder.ver", "[COMMON_HASH_MD5-Folder.exe]\n" + std::string(32, '0'));
    EXPECT_FALSE(FileMatchesListEntry(folderEntry, folderList, messages));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, u"Error in file mapping");

    EXPECT_EQ(DigestSectionName(0, u"a.exe"), u"[COMMON_HASH_SHA512-a.exe]");
    EXPECT_EQ(DigestSectionName(1, u"a.exe"), u"[COMMON_HASH_MD5-a.exe]");
    EXPECT_EQ(DigestSectionName(2, u"a.exe"), u"");
}

// The demo product's version description, as shipped beside the program.
TEST(HashList, TheSampleVersionDescriptionCarriesARelease) {
    const WString payload = qo::test::SourceFile({u"payload"});
    EXPECT_TRUE(SameRelease(payload, payload, u"omnisweep.ver"));
}

}  // namespace
}  // namespace updater
