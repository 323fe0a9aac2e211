#include "wizard/config/config_archive.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/file_stream.h"
#include "wizard/config/testing/newc_reader.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;
using qo::test::ReadFileBytes;
using qo::test::ScratchFolder;
using testing::ReadNewc;
#ifndef _WIN32
using qo::test::RunShell;
using qo::test::ShellPath;
#endif
using qo::test::WriteFileBytes;

// A program folder with schemes, a configuration folder with its policy file,
// and a private temporary folder, as a builder leaves them before packing.
struct ArchiveSetup {
    ScratchFolder scratch;
    WString program = scratch / u"program";
    WString config = scratch / u"config";
    WString temp = scratch / u"temp";
    WString target = scratch / u"quelix";
    WizardSettings settings;
    std::string policy = std::string(1000, 'p');

    ArchiveSetup() {
        for (const WString& folder :
             {program, JoinPath(program, u"schemes"), config, JoinPath(config, u"tmp"), temp}) {
            EXPECT_TRUE(platform::CreateFolder(folder));
        }
        AddScheme(u"a.sch", "scheme a\n");
        AddScheme(u"b.sch", "scheme b, five\n");
        WriteFileBytes(PolicyPath(), policy);
        settings.NetLog = 1;
        settings.NetPassword = u"p w";
    }
    void AddScheme(const char16_t* name, const std::string& content) {
        WipeScheme scheme;
        scheme.FileName = name;
        scheme.FilePath = JoinPath(JoinPath(program, u"schemes"), name);
        WriteFileBytes(scheme.FilePath, content);
        settings.Schemes.push_back(scheme);
    }
    WString PolicyPath() const { return JoinPath(JoinPath(config, u"tmp"), u"policy.cfg"); }
    bool Build(std::optional<uint32_t> memberTime = std::nullopt) {
        return BuildConfigArchive(settings, target, {config, program, temp}, memberTime);
    }
    bool TempFolderEmpty() const {
        std::vector<platform::FolderEntry> entries;
        return platform::ListFolder(temp, entries) && entries.empty();
    }
};

TEST(ConfigArchive, PacksSchemesPolicyWipeConfigAndListedFilesInOrder) {
    ArchiveSetup setup;
    setup.policy += 'x';  // 1,001 bytes: 3 padding bytes
    WriteFileBytes(setup.PolicyPath(), setup.policy);
    WriteFileBytes(JoinPath(setup.program, u"extra.bin"), std::string("\0\1\2", 3));
    WriteFileBytes(JoinPath(setup.program, u"notes.txt"), "notes");
    WriteFileBytes(JoinPath(setup.program, u"addons.txt"),
                   "extra.bin   tmp/extra.bin   \r\n"
                   "extra.bin\r\n"
                   "missing.bin tmp/missing.bin\r\n"
                   "schemes tmp/a folder\r\n"
                   "notes.txt\tdocs/read me.txt\r\n");
    WipeScheme gone;  // a catalogue entry whose file has disappeared
    gone.FileName = u"gone.sch";
    gone.FilePath = JoinPath(setup.program, u"gone.sch");
    setup.settings.Schemes.insert(setup.settings.Schemes.begin() + 1, gone);
    ASSERT_TRUE(setup.Build(1700000000));
    EXPECT_TRUE(setup.TempFolderEmpty());

    const std::string archive = ReadFileBytes(setup.target);
    const auto members = ReadNewc(archive);
    ASSERT_EQ(members.size(), 7u);
    const char* names[] = {"tmp/scheme/a.sch", "tmp/scheme/b.sch", "tmp/policy.cfg", "wipe_config",
                           "tmp/extra.bin",    "docs/read me.txt", "TRAILER!!!"};
    const uint32_t modes[] = {0100755, 0100755, 0100755, 0100644, 0100755, 0100755, 0};
    for (std::size_t i = 0; i < members.size(); ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(members[i].name, names[i]);
        EXPECT_EQ(members[i].inode, 0x10000u + i);
        EXPECT_EQ(members[i].mode, modes[i]);
        EXPECT_EQ(members[i].devmajor, "00000011");
        EXPECT_EQ(members[i].rdevmajor, "00000011");
        EXPECT_EQ(members[i].mtime, 1700000000u);  // the time given, not the clock's
    }
    EXPECT_EQ(members[1].data, "scheme b, five\n");
    EXPECT_EQ(members[2].data, setup.policy);
    EXPECT_EQ(members[3].data, BootConfigWriter(setup.settings).WipeConfigText());
    EXPECT_EQ(members[3].headerLength, 124u);
    EXPECT_EQ(members[4].data, std::string("\0\1\2", 3));
    EXPECT_EQ(members[5].data, "notes");
    EXPECT_EQ(archive.size() % 4, 0u);

#ifndef _WIN32
    std::string out;
    ASSERT_EQ(RunShell("cpio -it --quiet < " + ShellPath(setup.target), out), 0);
    EXPECT_EQ(out,
              "tmp/scheme/a.sch\ntmp/scheme/b.sch\ntmp/policy.cfg\nwipe_config\ntmp/extra.bin\n"
              "docs/read me.txt\n");
    const WString into = setup.scratch / u"x";
    ASSERT_TRUE(platform::CreateFolder(into));
    ASSERT_EQ(RunShell("cd " + ShellPath(into) + " && bsdtar -xf " + ShellPath(setup.target), out),
              0);
    EXPECT_EQ(ReadFileBytes(into + u"/tmp/policy.cfg"), setup.policy);
    EXPECT_EQ(ReadFileBytes(into + u"/tmp/scheme/a.sch"), "scheme a\n");
#endif
}

TEST(ConfigArchive, FailuresWriteNoTargetAndRemoveTheTemporaryFile) {
    {
        ArchiveSetup setup;  // no policy file
        ASSERT_TRUE(platform::DeleteOneFile(setup.PolicyPath()));
        EXPECT_FALSE(setup.Build());
        EXPECT_FALSE(platform::PathExists(setup.target));
        EXPECT_TRUE(setup.TempFolderEmpty());
    }
    {
        ArchiveSetup setup;  // the target cannot be created
        setup.target = JoinPath(setup.scratch / u"no folder", u"quelix");
        EXPECT_FALSE(setup.Build());
        EXPECT_TRUE(setup.TempFolderEmpty());
    }
    {
        ArchiveSetup setup;  // no temporary folder
        ASSERT_TRUE(platform::RemoveEmptyFolder(setup.temp));
        EXPECT_FALSE(setup.Build());
        EXPECT_FALSE(platform::PathExists(setup.target));
    }
    {
        ArchiveSetup setup;  // an existing target is replaced
        WriteFileBytes(setup.target, std::string(5000, 'o'));
        ASSERT_TRUE(setup.Build());
        EXPECT_EQ(ReadNewc(ReadFileBytes(setup.target)).size(), 5u);
    }
}

#ifndef _WIN32
// A listed file of 4 GiB cannot be a member: the whole archive fails rather
// than carrying a broken member (a sparse file costs no disk space).
TEST(ConfigArchive, OversizedListedFileFailsTheArchive) {
    ArchiveSetup setup;
    const WString huge = JoinPath(setup.program, u"huge.bin");
    std::string out;
    ASSERT_EQ(RunShell("truncate -s 4G " + ShellPath(huge), out), 0);
    WriteFileBytes(JoinPath(setup.program, u"addons.txt"), "huge.bin tmp/huge.bin\n");
    EXPECT_FALSE(setup.Build());
    EXPECT_FALSE(platform::PathExists(setup.target));
    EXPECT_TRUE(setup.TempFolderEmpty());
}
#endif

}  // namespace
}  // namespace wizard
