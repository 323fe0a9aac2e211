#include "wizard/config/boot_config_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/config/file_stream.h"

namespace wizard {
namespace {

using qo::test::ReadFileBytes;
using qo::test::ScratchFolder;
#ifndef _WIN32
using qo::test::RunShell;
using qo::test::ShellPath;
#endif

// A file of wizard/config/testdata.
std::string ReadTestData(platform::WStringView name) {
    return ReadFileBytes(qo::test::SourceFile({u"wizard", u"config", u"testdata", name}));
}

WipeScheme Scheme(const char16_t* fileName) {
    WipeScheme scheme;
    scheme.DisplayName = fileName;
    scheme.FileName = fileName;
    scheme.FilePath = platform::WString(u"/schemes/") + fileName;
    scheme.PassCount = 1;
    scheme.SchemeWeight = 1;
    return scheme;
}

WizardSettings SampleSettings() {
    WizardSettings s;
    s.ProductVersion = "7.1.0.42";
    s.Schemes = {Scheme(u"dod7.sch"), Scheme(u"dod.3pass.sch"), Scheme(u"1-pass-random.sch")};
    s.SchemeHdd = 0, s.SchemeSsd = 1, s.SchemeHybrid = 1, s.SchemeRemovables = 2;
    s.VerifyHdd = 1, s.VerifyRemovables = 1;
    s.ResetHPA = 1, s.ResetDCO = 0, s.AtaErase = 1;
    return s;
}

TEST(BootConfigWriter, FilesMatchTheGoldenFiles) {
    ScratchFolder scratch;
    WizardSettings s = SampleSettings();
    s.NetShare = u"\\\\srv\\logs";  // without NetLog no NET_ line is written
    const BootConfigWriter writer(s);

    ASSERT_TRUE(writer.WriteWelcomeText(scratch / u"welcome.txt", WelcomeVariant::Standard));
    ASSERT_TRUE(writer.WriteWelcomeText(scratch / u"welcome.sparc.txt", WelcomeVariant::Sparc));
    ASSERT_TRUE(writer.WriteWipeConfig(scratch / u"wipe_config"));
    ASSERT_TRUE(writer.WritePolicyFile(scratch / u"policy.cfg"));
    EXPECT_EQ(ReadFileBytes(scratch / u"welcome.txt"), ReadTestData(u"welcome.txt"));
    EXPECT_EQ(ReadFileBytes(scratch / u"welcome.sparc.txt"), ReadTestData(u"welcome.sparc.txt"));
    EXPECT_EQ(ReadFileBytes(scratch / u"wipe_config"), ReadTestData(u"wipe_config_auto"));
    EXPECT_EQ(ReadFileBytes(scratch / u"policy.cfg"), ReadTestData(u"policy.cfg"));
    EXPECT_EQ(ReadFileBytes(scratch / u"welcome.txt").substr(0, 3), "\x0C\r\n");

    // Manual mode with a network log; the share, user and password keep their
    // text through the shell's quoting.
    s.AutoStart = 0, s.NoDelay = 1, s.WriteLog = 1, s.LockPreset = 1, s.NetLog = 1;
    s.NetShare = u"\\\\srv\\wipe logs";
    s.NetUser = u"CORP\\admin";
    s.NetPassword = u"it's $ecret";
    ASSERT_TRUE(writer.WriteWipeConfig(scratch / u"wipe_config"));
    EXPECT_EQ(ReadFileBytes(scratch / u"wipe_config"), ReadTestData(u"wipe_config_netlog"));

    // Files that cannot be created.
    const platform::WString nowhere = scratch / u"no folder" + platform::kPathSeparator + u"f";
    EXPECT_FALSE(writer.WriteWelcomeText(nowhere, WelcomeVariant::Standard));
    EXPECT_FALSE(writer.WriteWipeConfig(nowhere));
    EXPECT_FALSE(writer.WritePolicyFile(nowhere));
}

TEST(BootConfigWriter, WipeConfigInMemoryHasBareLineEnds) {
    WizardSettings s;
    s.NetLog = 1;  // empty share, user and password give empty values
    const BootConfigWriter writer(s);
    std::array<char, kWipeConfigBufferSize> buffer{};
    const std::size_t length = writer.FormatWipeConfig(buffer);
    EXPECT_EQ(std::string(buffer.data(), length),
              "export USE_SHELL=n\nexport WIPE_ALL_DISKS=y\nexport USE_NODELAY=n\n"
              "export USE_LOGFILE=n\nexport LOCK_PRESET=n\nexport USE_LOGSHARE=y\n"
              "export NET_SHARE=\nexport NET_USER=\nexport NET_PASS=\nexport NET_ASKPASS=n\n");
    EXPECT_EQ(buffer[length], '\0');

    std::array<char, 20> small{};
    EXPECT_EQ(writer.FormatWipeConfig(small), 0u);
}

TEST(BootConfigWriter, PolicyFollowsSchemesAndAtaOptions) {
    WizardSettings s = SampleSettings();
    s.Schemes = {Scheme(u"plain"), Scheme(u"a.b.sch")};
    s.SchemeHdd = s.SchemeSsd = s.SchemeHybrid = s.SchemeRemovables = 1;
    s.ResetHPA = 1, s.ResetDCO = 1, s.AtaErase = 0;
    std::string text;
    ASSERT_TRUE(BootConfigWriter(s).PolicyText(text));
    auto count = [&](const std::string& needle) {
        std::size_t n = 0;
        for (auto p = text.find(needle); p != std::string::npos; p = text.find(needle, p + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("\"name\" : \"a.b\""), 4u);
    EXPECT_EQ(count("\"resetHpa\" : true"), 3u);  // all but removable drives
    EXPECT_EQ(count("\"resetDco\" : true"), 3u);
    EXPECT_EQ(count("\"ataErase\" : false"), 4u);
    EXPECT_EQ(PolicySchemeName(Scheme(u"plain")), "plain");
    EXPECT_EQ(PolicySchemeName(Scheme(u"fast.sch")), "fast");
    // Longer than the 63 bytes the environment's own tools use: kept whole.
    EXPECT_EQ(PolicySchemeName(Scheme((platform::WString(70, u'n') + u".sch").c_str())),
              std::string(70, 'n'));

    // An empty catalogue, or an index past it, gives no policy and no file.
    ScratchFolder scratch;
    s.Schemes.clear();
    EXPECT_FALSE(BootConfigWriter(s).WritePolicyFile(scratch / u"policy.cfg"));
    EXPECT_FALSE(platform::PathExists(scratch / u"policy.cfg"));
}

#ifndef _WIN32
// The wiping environment sources wipe_config: every value must come back
// exactly as the user typed it, whatever characters it holds.
TEST(BootConfigWriter, SourcedWipeConfigGivesTheOriginalValues) {
    const std::u16string values[] = {
        u"plain-Value_1.2@x:+,=%",
        u"two  blanks\tand tab",
        u"quote's \"double\" $HOME `id` $(id) \\ ; & | < > * ? [a] ~ # !",
        u"'''",
        u"line\nbreak",
        u"caf\u00e9",
        u"",
    };
    ScratchFolder scratch;
    for (const auto& value : values) {
        WizardSettings s;
        s.NetLog = 1;
        s.NetShare = value;
        s.NetUser = value;
        s.NetPassword = value;
        const platform::WString file = scratch / u"wipe_config";
        ASSERT_TRUE(WriteWholeFile(file, BootConfigWriter(s).WipeConfigText()));
        std::string out;
        ASSERT_EQ(RunShell("sh -c '. \"$0\"; printf \"%s|%s|%s|%s\" \"$NET_SHARE\" "
                           "\"$NET_USER\" \"$NET_PASS\" \"$USE_SHELL\"' " +
                               ShellPath(file),
                           out),
                  0);
        platform::WString slashed = value;
        std::replace(slashed.begin(), slashed.end(), u'\\', u'/');
        const std::string ansiSlashed = platform::ToAnsi(slashed);
        EXPECT_EQ(out, ansiSlashed + "|" + ansiSlashed + "|" + platform::ToAnsi(value) + "|n");
    }
}

// policy.cfg is JSON, also for scheme names with characters JSON escapes.
TEST(BootConfigWriter, PolicyParsesAsJsonWithItsSchemeNames) {
    ScratchFolder scratch;
    WizardSettings s = SampleSettings();
    s.Schemes[0] = Scheme(u"say \"hi\" \\ now\t.sch");
    s.Schemes[1] = Scheme(u"ctl\x01\x1f.sch");
    const platform::WString file = scratch / u"policy.cfg";
    ASSERT_TRUE(BootConfigWriter(s).WritePolicyFile(file));
    std::string out;
    ASSERT_EQ(
        RunShell(
            "python3 -c 'import json,sys; p=json.load(open(sys.argv[1],encoding=\"cp1252\"))"
            "[\"wipePolicies\"][0]; print(json.dumps([p[k][\"wipeScheme\"][\"name\"] for k in "
            "(\"removable\",\"sshd\",\"hdd\",\"ssd\")] + [p[\"hdd\"][\"verification\"], "
            "p[\"sshd\"][\"resetHpa\"], p[\"removable\"][\"resetHpa\"], p[\"ssd\"][\"id\"]]))' " +
                ShellPath(file),
            out),
        0);
    EXPECT_EQ(out,
              "[\"1-pass-random\", \"ctl\\u0001\\u001f\", \"say \\\"hi\\\" \\\\ now\\t\", "
              "\"ctl\\u0001\\u001f\", true, true, false, 2]\n");
}
#endif

}  // namespace
}  // namespace wizard
