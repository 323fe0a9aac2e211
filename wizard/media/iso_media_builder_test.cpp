#include "wizard/media/iso_media_builder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/wait.h"
#include "wizard/config/file_stream.h"
#include "wizard/media/build_messages.h"
#include "wizard/media/testing/recording_reporter.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;
using platform::JoinPath;
using platform::WString;

// A program folder with a small payload and the stand-in tool, a private
// temporary folder for the work folder, and the settings of an ISO build.
class IsoFixture {
  public:
    explicit IsoFixture(const char16_t* programName = u"prog dir") {
        program = JoinPath(root, programName);
        temp = JoinPath(root, u"tmp");
        EXPECT_TRUE(platform::CreateFolders(JoinPath(program, u"common/efi")));
        EXPECT_TRUE(platform::CreateFolders(temp));
        for (const char16_t* folder : {u"iso", u"boot", u"schemes"})
            EXPECT_TRUE(platform::CreateFolder(JoinPath(program, folder)));
        Write(u"common/efi/boot.img", "efi");
        Write(u"common/wipe.sparc64.lz", std::string(1000, 'z'));
        Write(u"iso/isolinux.bin", "isolinux");
        Write(u"boot/isofs.b", "silo");
        Write(u"schemes/zero_fill.sch", "; zeros\n[1-pass zero fill]\n1. zero\n");
        EXPECT_TRUE(platform::CopyOneFile(JoinPath(platform::ProgramFolder(), StandInName()),
                                          JoinPath(program, kMkisofsName)));
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        settings = WizardSettings(env);
        settings.ChooseUsb = 0;
        settings.IsoPath = JoinPath(root, u"out.iso");
    }
    static WString StandInName() {
#ifdef _WIN32
        return u"qo_fake_mkisofs.exe";
#else
        return u"qo_fake_mkisofs";
#endif
    }
    void Write(const WString& name, const std::string& bytes) {
        EXPECT_TRUE(WriteWholeFile(JoinPath(program, name), bytes));
    }
    // The stand-in tool's instructions (see testing/fake_mkisofs.cpp).
    void Control(const std::string& lines) {
        Write(u"mkisofs.ctl", lines);
    }

    // Runs one build through the worker; returns its BuildResult.
    int Build() {
        BuildWorker worker(reporter, 1ms);
        std::promise<int> result;
        worker.Start(
            [this](BuildContext& build) {
                return IsoMediaBuilder(settings, build, program, temp, options).BuildIsoImage();
            },
            [&](int buildResult) { result.set_value(buildResult); });
        const int value = result.get_future().get();
        worker.Join();
        return value;
    }
    bool TempIsEmpty() const {
        std::vector<platform::FolderEntry> entries;
        return platform::ListFolder(temp, entries) && entries.empty();
    }
    // Neither the temporary folder nor IsoPath's folder keeps a work folder.
    bool NoWorkFolderLeft() const {
        std::vector<platform::FolderEntry> entries;
        EXPECT_TRUE(platform::ListFolder(root, entries));
        for (const platform::FolderEntry& e : entries) {
            if (platform::MatchesWildcard(u"QLX*", e.name))
                return false;
        }
        return TempIsEmpty();
    }
    // What the Linux command line asks for.
    void WorkBesideImage() {
        options = {true, true, BuildStamp{1700000000}};
    }

    qo::test::ScratchFolder scratch{u"qo-iso"};
    const WString& root = scratch.Path();
    WString program, temp;
    WizardSettings settings;
    IsoBuildOptions options;
    testing::RecordingReporter reporter;
};

TEST(IsoMediaBuilder, BuildsTheImageWithTheMasteringCommandAndCleansUp) {
    IsoFixture iso;  // a program folder with a blank in its path
    const WString record = JoinPath(iso.root, u"record.txt");
    iso.Control("size 1048576\nrecord " + platform::ToUtf8(record) + "\n");
    ASSERT_TRUE(WriteWholeFile(*iso.settings.IsoPath, "an older image"));  // replaced

    EXPECT_EQ(iso.Build(), kBuildCreated);
    EXPECT_EQ(iso.reporter.steps,
              (std::vector<std::string>{
                  "Creating temporary folders...@5", "Copying boot files...@25",
                  "Copying ISO files...@25", "Copying SILO files...@40",
                  "Creating configuration file...@60", "Creating archive...@80",
                  "Running mkisofs.exe...@80", "Creating Quelix Omnisweep ISO file...@90",
                  "Cleaning up temporary files...@99", "Finished...@100"}));
    EXPECT_TRUE(iso.reporter.errors.empty());
    EXPECT_TRUE(iso.reporter.messages.empty());
    uint64_t size = 0;
    EXPECT_TRUE(platform::FileSize(*iso.settings.IsoPath, size));
    EXPECT_EQ(size, 1048576u);  // exactly 1 MiB is enough
    EXPECT_TRUE(iso.TempIsEmpty());

    // The tool ran in the work folder (QLX<hex>.tmp in the temporary folder)
    // with the fixed options on the "boot" tree.
    const std::string recorded = qo::test::ReadFileBytes(record);
    const std::string workFolder = recorded.substr(0, recorded.find('\n'));
    EXPECT_NE(workFolder.find(platform::ToUtf8(iso.temp)), std::string::npos) << workFolder;
    EXPECT_NE(workFolder.find("QLX"), std::string::npos) << workFolder;
    EXPECT_EQ(recorded.substr(recorded.find('\n') + 1),
              "-o\nquelixcd.iso\n-iso-level\n4\n-b\nisolinux/isolinux.bin\n-c\nisolinux/"
              "boot.cat\n-no-emul-boot\n-boot-load-size\n4\n-boot-info-table\n-eltorito-alt-boot\n"
              "-b\nefi/boot.img\n-no-emul-boot\n-r\n-G\nboot/boot/isofs.b\n-B\n...\nboot\n");
    EXPECT_EQ(platform::ToUtf8(MasteringCommandLine(iso.program)),
              "\"" + platform::ToUtf8(JoinPath(iso.program, kMkisofsName)) +
                  "\" -o quelixcd.iso -iso-level 4 -b isolinux/isolinux.bin -c isolinux/boot.cat "
                  "-no-emul-boot -boot-load-size 4 -boot-info-table -eltorito-alt-boot -b "
                  "efi/boot.img -no-emul-boot -r -G boot/boot/isofs.b -B ... boot");
}

// Beside IsoPath with a linked payload: the tool may patch its boot loader
// and the builder writes its files, yet the installed payload stays as it is;
// the image is renamed into place and the dates are fixed on the command line.
TEST(IsoMediaBuilder, BesideTheImageThePayloadIsLinkedButNeverWritten) {
    IsoFixture iso;
    iso.WorkBesideImage();
    iso.Write(u"common/wipe_config", "installed");  // a payload file the builder also writes
    const WString record = JoinPath(iso.root, u"record.txt");
    iso.Control("size 1048576\npatch boot/isolinux/isolinux.bin\nrecord " +
                platform::ToUtf8(record) + "\n");
    ASSERT_TRUE(WriteWholeFile(*iso.settings.IsoPath, "an older image"));

    EXPECT_EQ(iso.Build(), kBuildCreated);
    EXPECT_TRUE(iso.reporter.errors.empty());
    EXPECT_EQ(qo::test::ReadFileBytes(JoinPath(iso.program, u"iso/isolinux.bin")), "isolinux");
    EXPECT_EQ(qo::test::ReadFileBytes(JoinPath(iso.program, u"common/wipe_config")), "installed");
    uint64_t size = 0;
    EXPECT_TRUE(platform::FileSize(*iso.settings.IsoPath, size));
    EXPECT_EQ(size, 1048576u);
    EXPECT_TRUE(iso.NoWorkFolderLeft());
    const std::string recorded = qo::test::ReadFileBytes(record);
    EXPECT_EQ(platform::FromUtf8(recorded.substr(0, recorded.find('\n')))
                  .find(JoinPath(iso.root, u"QLX")),
              0u)
        << recorded;
    const std::string dates =
        "--set_all_file_dates\n=1700000000\n--modification-date=2023111422132000\n-p\n"
        "QUELIX_OMNISWEEP\nboot\n";
    EXPECT_EQ(recorded.substr(recorded.size() - dates.size()), dates);
}

TEST(IsoMediaBuilder, EachFailureShowsItsMessageEndsAtFinishedAndLeavesNoWorkFolder) {
    struct Case {
        const char* name;
        std::string control;
        bool removeTool;
        bool isoPathInMissingFolder;
        int message;
        bool beside = false;  // the Linux command line's placement
    };
    const std::vector<Case> cases = {
        {"no tool", "size 2000000\n", true, false, kMsgMkisofsFailed},
        {"tool fails after writing an image", "size 2000000\nexit 3\n", false, false,
         kMsgMkisofsFailed},
        {"no image", "", false, false, kMsgIsoMissing},
        {"image one byte short", "size 1048575\n", false, false, kMsgIsoCorrupted},
        {"IsoPath cannot be written", "size 1048576\n", false, true, kMsgIsoCopyFailed},
        {"tool fails beside IsoPath", "size 2000000\nexit 3\n", false, false, kMsgMkisofsFailed,
         true},
        {"IsoPath cannot be written, nothing beside it", "size 1048576\n", false, true,
         kMsgIsoCopyFailed, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IsoFixture iso;
        if (c.beside)
            iso.WorkBesideImage();
        iso.Control(c.control);
        if (c.removeTool) {
            ASSERT_TRUE(platform::DeleteOneFile(JoinPath(iso.program, kMkisofsName)));
        }
        if (c.isoPathInMissingFolder)
            iso.settings.IsoPath = JoinPath(iso.root, u"missing/out.iso");
        else
            ASSERT_TRUE(WriteWholeFile(*iso.settings.IsoPath, "an older image"));

        EXPECT_EQ(iso.Build(), kBuildFailed);
        EXPECT_EQ(iso.reporter.errors, std::vector<int>{c.message});
        EXPECT_FALSE(BuildErrorText(c.message).empty());
        ASSERT_GE(iso.reporter.steps.size(), 2u);
        EXPECT_EQ(iso.reporter.steps.end()[-2], "Cleaning up temporary files...@99");
        EXPECT_EQ(iso.reporter.steps.back(), "Finished...@100");
        EXPECT_TRUE(iso.NoWorkFolderLeft());
        // A tool that cannot start also shows its command line.
        EXPECT_EQ(iso.reporter.messages.size(), c.removeTool ? 1u : 0u);
        if (c.removeTool) {
            EXPECT_NE(iso.reporter.messages[0].find("-iso-level 4"), std::string::npos);
        }
        // The old image is gone only once a new one is being copied.
        EXPECT_EQ(platform::PathExists(*iso.settings.IsoPath), c.message != kMsgIsoCopyFailed);
    }
}

TEST(IsoMediaBuilder, SparcRamDiskSizeIsReportedOnceAndConfigurationFailuresStopTheBuild) {
    {
        IsoFixture iso;
        iso.Control("size 1048576\n");
        iso.Write(u"common/wipe.sparc64.lz", std::string(1000001, 'z'));
        EXPECT_EQ(iso.Build(), kBuildCreated);
        EXPECT_EQ(iso.reporter.messages,
                  std::vector<std::string>{
                      "Error: Incorrect size of initrd image for SPARC: it must divisible by 4."});
    }
    {
        // Without a scheme there is no policy file: the build stops before the
        // tool runs and says that no scheme is installed, and where.
        IsoFixture iso;
        const WString record = JoinPath(iso.root, u"record.txt");
        iso.Control("size 1048576\nrecord " + platform::ToUtf8(record) + "\n");
        ASSERT_TRUE(platform::DeleteOneFile(JoinPath(iso.program, u"schemes/zero_fill.sch")));
        iso.settings.Schemes.clear();
        EXPECT_EQ(iso.Build(), kBuildFailed);
        ASSERT_EQ(iso.reporter.messages.size(), 1u);
        EXPECT_EQ(iso.reporter.messages[0],
                  "Quelix Omnisweep: Error in creating ISO image file: no wiping scheme is "
                  "installed in '" +
                      platform::ToUtf8(JoinPath(iso.program, u"schemes")) + "'.");
        EXPECT_EQ(iso.reporter.steps.back(), "Finished...@100");
        EXPECT_FALSE(platform::PathExists(record));
        EXPECT_FALSE(platform::PathExists(*iso.settings.IsoPath));
        EXPECT_TRUE(iso.TempIsEmpty());
    }
}

TEST(IsoMediaBuilder, CancelWhileTheToolRunsKillsItAndCleansUp) {
    IsoFixture iso;
    const WString started = JoinPath(iso.root, u"tool-started");
    const WString done = JoinPath(iso.root, u"tool-finished");
    // A tool that would outlast the cancel's grace time by far.
    iso.Control("started " + platform::ToUtf8(started) + "\nsleep 120000\nsize 1048576\ndone " +
                platform::ToUtf8(done) + "\n");
    BuildWorker worker(iso.reporter, 1ms);
    std::atomic<bool> doneCalled{false};
    ASSERT_TRUE(worker.Start(
        [&](BuildContext& build) {
            return IsoMediaBuilder(iso.settings, build, iso.program, iso.temp).BuildIsoImage();
        },
        [&](int) { doneCalled = true; }));
    ASSERT_TRUE(qo::test::WaitUntil([&] { return platform::PathExists(started); }));
    EXPECT_TRUE(worker.Cancel(qo::test::kGenerousWait));
    worker.Join();
    // The worker waited for the killed tool, so it can no longer finish.
    EXPECT_FALSE(platform::PathExists(done));
    EXPECT_FALSE(doneCalled);
    EXPECT_FALSE(iso.reporter.Saw("Cleaning up temporary files...@99"));
    EXPECT_FALSE(platform::PathExists(*iso.settings.IsoPath));
    EXPECT_TRUE(iso.TempIsEmpty());
}

}  // namespace
}  // namespace wizard
