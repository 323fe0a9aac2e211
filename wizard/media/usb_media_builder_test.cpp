#include "wizard/media/usb_media_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "wizard/media/build_messages.h"
#include "wizard/media/testing/fake_disk_access.h"
#include "wizard/media/testing/recording_reporter.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;
using platform::JoinPath;
using platform::WString;
using testing::FakeDiskAccess;

constexpr uint64_t kMiB = 1ull << 20;
constexpr uint64_t kGiB = 1ull << 30;

WString ChildProgram() {
#ifdef _WIN32
    return JoinPath(platform::ProgramFolder(), u"qo_test_child.exe");
#else
    return JoinPath(platform::ProgramFolder(), u"qo_test_child");
#endif
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// A program folder with a small payload, a fake disk and the record of it.
class UsbFixture {
  public:
    explicit UsbFixture(uint64_t diskBytes)
        : program(scratch / u"prog"),
          temp(scratch / u"tmp"),
          access(diskBytes, scratch / u"volume", ChildProgram()) {
        access.formatterLog = scratch / u"formatter.txt";
        scratch.Write(u"prog/common/vmlinuz", "kernel");
        scratch.Write(u"prog/common/efi/boot.img", "efi");
        scratch.Write(u"prog/flash/syslinux.cfg", "DEFAULT quelix");
        scratch.Write(u"prog/schemes/zero_fill.sch", "; zeros\n[1-pass zero fill]\n1. zero\n");
        platform::CreateFolders(temp);
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        settings = WizardSettings(env);
        settings.ChooseUsb = 1;
        settings.SelectedUsbDisk = 0;
        UsbDiskInfo disk;
        disk.VolumePath = u"fake";
        disk.FileSystem = u"FAT32";
        disk.FormatNeed = 3;
        disk.Identity.Bytes = diskBytes;
        settings.UsbDisks = {disk};
        reporter.answer = true;
        // Every step and answer is an event; at event replaceAt the drive is
        // replaced by another.
        reporter.onEvent = [this](const std::string& name) {
            if (static_cast<int>(events.size()) == replaceAt)
                access.sameDisk = false;
            events.push_back(name);
        };
    }
    UsbDiskInfo& Disk() { return settings.UsbDisks[0]; }
    // A kept partition table with the volume at startSector of the given size
    // in the slot given; the slots before it hold small partitions from sector 63.
    void KeepTable(uint64_t startSector, uint64_t bytes, int formatNeed, size_t slot = 0) {
        MbrSector mbr{};
        DriveLayout layout{7, {}};
        for (size_t i = 0; i < slot; ++i)
            layout.Partitions.push_back({(63 + i * 8) * 512, 8 * 512, 0, 0x83, false});
        layout.Partitions.push_back(
            {startSector * 512, bytes, static_cast<uint32_t>(startSector), 0x0C, true});
        ASSERT_TRUE(EncodeMbr(layout, mbr));
        access.WriteBytes(0, mbr.data(), mbr.size());
        access.volumeSlot = slot;
        access.writes = 0;
        Disk().HasPartitionTable = true;
        Disk().FormatNeed = formatNeed;
        Disk().VolumeBytes = bytes;
        Disk().TotalKB = static_cast<uint32_t>(std::min<uint64_t>(bytes / 1024, 0xFFFFFFFF));
        Disk().PartitionStartSector = 0;  // as discovery leaves it on Windows
    }
    int Build() {
        BuildWorker worker(reporter, 1ms);
        std::promise<int> result;
        worker.Start(
            [this](BuildContext& build) {
                return UsbMediaBuilder(settings, build, access, program, temp, stamp)
                    .BuildUsbDrive();
            },
            [&](int value) { result.set_value(value); });
        const int value = result.get_future().get();
        worker.Join();
        return value;
    }
    std::string VolumeFile(const char16_t* name) {
        return qo::test::ReadFileBytes(JoinPath(access.filesFolder, name));
    }

    qo::test::ScratchFolder scratch;
    WString program, temp;
    FakeDiskAccess access;
    WizardSettings settings;
    BuildStamp stamp;
    testing::RecordingReporter reporter;
    std::vector<std::string> events;
    int replaceAt = -1;
};

TEST(UsbMediaBuilder, BlankDiskIsConfirmedPartitionedFormattedAndMadeBootable) {
    UsbFixture usb(64 * kMiB);
    usb.stamp.time = 1700000000;
    ASSERT_EQ(usb.Build(), kBuildCreated) << ::testing::PrintToString(usb.reporter.messages);
    EXPECT_EQ(usb.reporter.steps,
              (std::vector<std::string>{
                  "Acessing USB removable disk...@5", "Checking format of USB removable disk...@10",
                  "Requesting confirmation to format USB removable disk...@15",
                  "Creating MBR sector on the USB removable disk...@20",
                  "Formatting the USB removable disk...@25", "Allocating memory...@40",
                  "Copying common files to the USB removable disk...@60",
                  "Copying flash files to the USB removable disk...@70", "Creating archive ...@80",
                  "Running syslinux.exe utility ...@90",
                  "Checking result returned by syslinux.exe utility ...@95",
                  "Cleaning up temporary files...@99", "Finished.@100"}));
    EXPECT_EQ(usb.reporter.questions,
              std::vector<std::string>{platform::ToUtf8(BuildErrorText(kMsgConfirmOverwrite))});
    // The partition entry: second track, whole cylinders, FAT32, active.
    MbrSector mbr{};
    usb.access.Read(0, mbr.data(), mbr.size());
    DriveLayout layout;
    ASSERT_TRUE(DecodeMbr(mbr, usb.access.diskBytes, layout));
    EXPECT_EQ(layout.Signature, SerialNumber(usb.stamp, StampSerial::DiskSignature));
    ASSERT_EQ(layout.Partitions.size(), 4u);
    const uint64_t cylinder = 255ull * 63 * 512;
    EXPECT_EQ(layout.Partitions[0].StartingOffset, 32256u);
    EXPECT_EQ(layout.Partitions[0].Length, 8 * cylinder - 32256);
    EXPECT_EQ(layout.Partitions[0].Type, 0x0B);
    EXPECT_TRUE(layout.Partitions[0].BootIndicator);
    // The formatter got the new partition, not the size found before (none).
    EXPECT_EQ(usb.Disk().PartitionStartSector, 63u);
    EXPECT_EQ(usb.Disk().TotalKB, (8 * cylinder - 32256) / 1024);
    EXPECT_EQ(qo::test::ReadFileBytes(usb.access.formatterLog),
              "63\n" + std::to_string((8 * cylinder - 32256) / 1024) + "\nQUELIX_OMS\n");
    // The drive root: payload, configuration, archive, boot loader.
    for (const char16_t* name :
         {u"vmlinuz", u"efi/boot.img", u"syslinux.cfg", u"welcome.txt", u"wipe_config",
          u"tmp/policy.cfg", u"tmp/schemes/zero_fill.sch", u"quelix", u"ldlinux.sys"})
        EXPECT_TRUE(platform::PathExists(JoinPath(usb.access.filesFolder, name)))
            << platform::ToUtf8(name);
    std::vector<platform::FolderEntry> left;
    EXPECT_TRUE(platform::ListFolder(usb.temp, left) && left.empty()) << "staging folder left";
}

TEST(UsbMediaBuilder, UsableDriveIsUpdatedWithoutQuestionKeepingOtherFiles) {
    UsbFixture usb(64 * kMiB);
    usb.KeepTable(2048, 32 * kMiB, 0);
    usb.scratch.Write(u"volume/welcome.txt", "old welcome");
    usb.scratch.Write(u"volume/wipe_config", "export WIPE_ALL_DISKS=y");
    usb.scratch.Write(u"volume/notes.txt", "keep me");
    ASSERT_EQ(usb.Build(), kBuildCreated);
    EXPECT_TRUE(usb.reporter.questions.empty());
    EXPECT_TRUE(usb.access.Untouched());
    EXPECT_EQ(usb.access.formatterRuns, 0);
    EXPECT_EQ(usb.VolumeFile(u"notes.txt"), "keep me");
    EXPECT_NE(usb.VolumeFile(u"welcome.txt"), "old welcome");
    EXPECT_NE(usb.VolumeFile(u"wipe_config"), "export WIPE_ALL_DISKS=y");
}

// The volume's own partition gives the hidden sectors, in whichever slot it is.
TEST(UsbMediaBuilder, FormatterUpToThirtyGibOwnWriterAboveWithTheRealPartitionStart) {
    struct Case {
        uint64_t volumeBytes;
        bool ownWriter;
        size_t slot;
    } cases[] = {
        {31457280ull * 1024, false, 0}, {31457280ull * 1024, false, 2},
        {31457281ull * 1024, true, 0},  {64 * kGiB, true, 0},
        {64 * kGiB, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.volumeBytes) + " in slot " + std::to_string(c.slot));
        UsbFixture usb(c.volumeBytes + 4 * kMiB);
        usb.KeepTable(2048, c.volumeBytes, 1, c.slot);  // NTFS: keeps its table
        usb.stamp.time = 1700000000;
        ASSERT_EQ(usb.Build(), kBuildCreated);
        EXPECT_EQ(usb.access.formatterRuns, c.ownWriter ? 0 : 1);
        EXPECT_EQ(usb.Disk().PartitionStartSector, 2048u);
        if (!c.ownWriter) {
            EXPECT_EQ(qo::test::ReadFileBytes(usb.access.formatterLog),
                      "2048\n31457280\nQUELIX_OMS\n");
            continue;
        }
        std::array<uint8_t, 512> boot{};
        usb.access.Read(2048 * 512, boot.data(), boot.size());
        const uint32_t s = static_cast<uint32_t>(c.volumeBytes / 512);
        EXPECT_EQ(Le32(boot.data() + 28), 2048u) << "hidden sectors";
        EXPECT_EQ(Le32(boot.data() + 32), s);
        EXPECT_EQ(Le32(boot.data() + 36), (s + 8160) / 8193);
        EXPECT_EQ(Le32(boot.data() + 67), SerialNumber(usb.stamp, StampSerial::VolumeSerial));
        EXPECT_EQ(platform::ToUtf8(usb.access.label), "QUELIX_OMS");
        std::array<uint8_t, 512> mbr{};
        usb.access.Read(0, mbr.data(), mbr.size());
        EXPECT_EQ(mbr[450 + 16 * c.slot], 0x0C) << "the kept table is unchanged";
    }
}

// Each failure ends the build with its message, and those that come before
// the first destructive step leave the disk untouched.
TEST(UsbMediaBuilder, FailuresAndRefusals) {
    struct Case {
        const char* name;
        uint64_t diskBytes;
        void (*setUp)(UsbFixture&);
        int error;            // ShowBuildError id, 0: none
        const char* message;  // part of a message, "": none
        bool untouched;
        const char* lastStep = nullptr;  // the last step shown, when it matters
    } cases[] = {
        {"answer No", 64 * kMiB, [](UsbFixture& u) { u.reporter.answer = false; }, 0, "", true},
        {"disk replaced", 64 * kMiB, [](UsbFixture& u) { u.access.sameDisk = false; }, 0,
         "replaced", true},
        {"disk replaced while the volume was being locked", 64 * kMiB,
         [](UsbFixture& u) { u.access.replacedAtCheck = 3; }, 0, "replaced", true},
        {"volume busy", 64 * kMiB, [](UsbFixture& u) { u.access.failLock = true; }, kMsgVolumeBusy,
         "", true},
        {"no disk handle", 64 * kMiB, [](UsbFixture& u) { u.access.failOpen = true; },
         kMsgMbrFailed, "", true},
        {"layout write fails", 64 * kMiB, [](UsbFixture& u) { u.access.failLayoutWrite = true; },
         kMsgMbrFailed, "", false},
        {"formatter fails", 64 * kMiB, [](UsbFixture& u) { u.access.formatterExit = 1; },
         kMsgNotFormatted, "", false},
        {"3 TiB disk without table", 3ull << 40, [](UsbFixture&) {}, kMsgNotFormatted, "", true},
        {"2 TiB volume (its size from the file system)", 3ull << 40,
         [](UsbFixture& u) {
             u.KeepTable(2048, 32 * kMiB, 1);
             u.Disk().VolumeBytes = 2ull << 40;
         },
         kMsgNotFormatted, "", true, "Requesting confirmation to format USB removable disk...@15"},
        {"kept table unreadable", 64 * kMiB,
         [](UsbFixture& u) {
             u.KeepTable(2048, 32 * kMiB, 1);
             const std::array<uint8_t, 2> none{};
             u.access.WriteBytes(510, none.data(), 2);
             u.access.writes = 0;
         },
         kMsgNotFormatted, "", true},
        {"no installer", 64 * kMiB, [](UsbFixture& u) { u.access.installerPresent = false; },
         kMsgSyslinuxFailed, "", false},
        {"installer fails", 64 * kMiB, [](UsbFixture& u) { u.access.installerExit = 3; }, 0,
         "SYSLINUX utility did not", false},
        {"no ldlinux.sys", 64 * kMiB,
         [](UsbFixture& u) { u.access.installerWritesLdlinux = false; }, 0,
         "SYSLINUX utility did not", false},
        {"configuration not writable", 64 * kMiB,
         [](UsbFixture& u) { u.scratch.Write(u"prog/flash/wipe_config/x", "a folder"); }, 0,
         "cannot write the configuration file", false},
        {"no schemes", 64 * kMiB,
         [](UsbFixture& u) {
             // The recommended options rescan the catalogue, now empty.
             platform::DeleteOneFile(JoinPath(u.program, u"schemes/zero_fill.sch"));
         },
         0, "no wiping scheme", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UsbFixture usb(c.diskBytes);
        c.setUp(usb);
        EXPECT_EQ(usb.Build(), kBuildFailed);
        EXPECT_EQ(usb.reporter.errors,
                  c.error == 0 ? std::vector<int>{} : std::vector<int>{c.error});
        if (*c.message == '\0') {
            EXPECT_TRUE(usb.reporter.messages.empty())
                << ::testing::PrintToString(usb.reporter.messages);
        } else {
            ASSERT_EQ(usb.reporter.messages.size(), 1u);
            EXPECT_NE(usb.reporter.messages[0].find(c.message), std::string::npos)
                << usb.reporter.messages[0];
        }
        if (c.untouched) {
            EXPECT_TRUE(usb.access.Untouched());
            EXPECT_EQ(usb.access.formatterRuns, 0);
        }
        EXPECT_NE(usb.reporter.steps.back(), "Finished.@100");
        if (c.lastStep != nullptr) {
            EXPECT_EQ(usb.reporter.steps.back(), c.lastStep);
        }
        EXPECT_FALSE(platform::PathExists(JoinPath(usb.access.filesFolder, u"quelix")) &&
                     c.untouched);
    }
}

// A drive replaced at any point of a build up to its last write (while a step
// is shown or the question waits, or while a tool runs: at any identity
// check) ends the build with one message, and nothing more reaches the disk
// put in its place.
TEST(UsbMediaBuilder, ADriveReplacedAtAnyPointIsNeverWritten) {
    struct Case {
        const char* name;
        uint64_t diskBytes;
        void (*setUp)(UsbFixture&);
    } cases[] = {
        {"blank disk", 64 * kMiB, [](UsbFixture&) {}},
        {"kept table", 64 * kMiB, [](UsbFixture& u) { u.KeepTable(2048, 32 * kMiB, 1); }},
        {"kept table, own writer", 40 * kGiB,
         [](UsbFixture& u) { u.KeepTable(2048, 32 * kGiB, 2); }},
        {"update", 64 * kMiB, [](UsbFixture& u) { u.KeepTable(2048, 32 * kMiB, 0); }},
    };
    for (const Case& c : cases) {
        int checks = 0;
        std::vector<std::string> events;
        {
            UsbFixture usb(c.diskBytes);
            c.setUp(usb);
            ASSERT_EQ(usb.Build(), kBuildCreated) << c.name;
            checks = usb.access.identityChecks;
            events = usb.events;
        }
        // Events up to the clean-up, then checks.
        const int last = static_cast<int>(
            std::find(events.begin(), events.end(), "Cleaning up temporary files...@99") -
            events.begin());
        for (int at = 0; at < last + checks; ++at) {
            const bool event = at < last;
            SCOPED_TRACE(std::string(c.name) + ", replaced " +
                         (event ? "at " + events[static_cast<size_t>(at)]
                                : "at check " + std::to_string(at - last)));
            UsbFixture usb(c.diskBytes);
            c.setUp(usb);
            if (event)
                usb.replaceAt = at;
            else
                usb.access.replacedAtCheck = at - last;
            EXPECT_EQ(usb.Build(), kBuildFailed);
            EXPECT_EQ(usb.access.actsOnReplaced, 0);
            EXPECT_TRUE(usb.reporter.errors.empty());
            ASSERT_EQ(usb.reporter.messages.size(), 1u);
            EXPECT_NE(usb.reporter.messages[0].find("replaced"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace wizard
