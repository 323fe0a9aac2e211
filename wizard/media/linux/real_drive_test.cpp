// USB builds on real drives: image files, and loop devices as kernel block
// devices (admitted through discovery's own seam, InitUsbDiskInfo; the rule
// that a target be a removable USB disk stays with OpenUsbTarget).
//
// Two CTest tests run this program: the image files as any user, and with
// --loop-devices the loop devices, which need root and /dev/loop-control (the
// program exits with 77, a skip, when either is missing).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/iso_media_builder.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/medium_verifier.h"
#include "wizard/media/linux/usb_discovery.h"
#include "wizard/media/testing/loop_device_main.h"
#include "wizard/media/testing/recording_reporter.h"
#include "wizard/media/testing/small_payload.h"
#include "wizard/media/usb_media_builder.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;
using qo::test::Shell;

std::string Digest(const std::string& path) {
    return Shell("sync; sha256sum < '" + path + "'");
}

// Runs one build through a build worker and waits for its result.
int RunBuild(BuildReporter& reporter, const BuildWorker::Builder& builder) {
    BuildWorker worker(reporter, std::chrono::milliseconds(1));
    std::promise<int> result;
    worker.Start(builder, [&](int value) { result.set_value(value); });
    const int value = result.get_future().get();
    worker.Join();
    return value;
}

// A 64 MiB drive, blank or with an ext2 partition from sector 2048 (a table
// it keeps): an image file, or a loop device over one; a program folder with
// a small payload and the system's boot loader.
class RealDrive {
  public:
    RealDrive(bool loop, bool kept)
        : image(platform::ToUtf8(scratch / u"drive.img")),
          other(platform::ToUtf8(scratch / u"other.img")),
          program(testing::MakeSmallPayload(scratch)) {
        platform::CreateFolders(scratch / u"tmp");
        EXPECT_EQ(Shell("truncate -s 64M '" + image + "' && head -c 1M /dev/urandom >'" + other +
                        "' && truncate -s 64M '" + other + "'"),
                  "");
        if (kept) {
            EXPECT_EQ(Shell("echo 'start=2048, type=83' | sfdisk -q '" + image +
                            "' && mkfs.ext2 -q -F -E offset=1048576 '" + image + "' 64512"),
                      "");
        }
        otherDigest = Digest(other);
        if (loop) {
            device = Shell("losetup -f --show -P '" + image + "'");
            device.erase(device.find_last_not_of('\n') + 1);
            EXPECT_EQ(device.rfind("/dev/loop", 0), 0u) << device;
        }
    }
    ~RealDrive() {
        if (!device.empty())
            Shell("losetup -d " + device);
    }
    std::string Path() const { return device.empty() ? image : device; }
    // The record as discovery makes it.
    bool Record(UsbDiskInfo& disk) {
        std::string error;
        const bool made =
            device.empty() ? OpenUsbTarget(LinuxRoots{}, image, false, disk, error)
                           : InitUsbDiskInfo(LinuxRoots{}, device, device.substr(5), disk, error);
        EXPECT_TRUE(made) << error;
        return made;
    }
    // Another drive of the same size in place of this one: for an image file
    // another file renamed onto its name; for a loop device, the device
    // detached and attached to another file (a new disk sequence number).
    void Swap() {
        if (device.empty()) {
            EXPECT_EQ(rename(other.c_str(), image.c_str()), 0);
            other = image;
            return;
        }
        const std::string sequence = "cat /sys/block/" + device.substr(5) + "/diskseq";
        const std::string before = Shell(sequence);
        EXPECT_EQ(Shell("losetup -d " + device + " && losetup " + device + " '" + other + "'"), "");
        EXPECT_NE(Shell(sequence), before);
    }
    int Build(const UsbDiskInfo& disk) {
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        WizardSettings settings(env);
        settings.ChooseUsb = 1;
        settings.SelectedUsbDisk = 0;
        settings.UsbDisks = {disk};
        LinuxDiskAccess access;
        const int value = RunBuild(reporter, [&](BuildContext& build) {
            return UsbMediaBuilder(settings, build, access, program, scratch / u"tmp")
                .BuildUsbDrive();
        });
        built = settings.UsbDisks[0];
        return value;
    }
    // fsck.fat on the built volume, cut out of the drive.
    std::string CheckVolume() {
        const std::string part = platform::ToUtf8(scratch / u"part.img");
        return Shell("dd if='" + Path() + "' of='" + part +
                     "' bs=512 skip=" + std::to_string(built.PartitionStartSector) +
                     " count=" + std::to_string(built.VolumeBytes / 512) +
                     " status=none && fsck.fat -n '" + part + "' >/dev/null");
    }

    qo::test::ScratchFolder scratch;
    std::string image, other, device, otherDigest;
    WString program;
    testing::RecordingReporter reporter;
    UsbDiskInfo built;
};

enum class Ends { Made, Replaced, Busy };

// Another drive put in place of the confirmed one at any step after the
// confirmation is never written and the build never succeeds; a mounted
// partition is unmounted, and a busy one ends the build naming its mount
// point, the drive untouched.
void BuildCases(bool loop) {
    struct Case {
        bool kept;
        const char* at;  // where the drive is swapped; "": nowhere
        int mount;       // 1: the partition is mounted, 2: and a process works in it
        Ends ends;
    } cases[] = {
        {false, "", 0, Ends::Made},
        {false, "answer", 0, Ends::Replaced},
        {false, "Creating MBR sector on the USB removable disk...@20", 0, Ends::Replaced},
        {false, "Formatting the USB removable disk...@25", 0, Ends::Replaced},
        {false, "Creating archive ...@80", 0, Ends::Replaced},
        {false, "Running syslinux.exe utility ...@90", 0, Ends::Replaced},
        {false, "Checking result returned by syslinux.exe utility ...@95", 0, Ends::Replaced},
        {true, "answer", 0, Ends::Replaced},
        {true, "Formatting the USB removable disk...@25", 0, Ends::Replaced},
        {true, "", 1, Ends::Made},
        {true, "", 2, Ends::Busy},
    };
    for (const Case& c : cases) {
        if (c.mount != 0 && !loop)
            continue;
        SCOPED_TRACE(std::string(c.kept ? "kept table" : "blank") + ", swapped at '" + c.at +
                     "', mount " + std::to_string(c.mount));
        RealDrive drive(loop, c.kept);
        const std::string partition = drive.device + "p1";
        const std::string mountPoint = platform::ToUtf8(drive.scratch / u"stick");
        std::string worker;
        if (c.mount != 0) {
            ASSERT_EQ(Shell("partx -a " + drive.device + " 2>/dev/null; mkdir '" + mountPoint +
                            "' && mount " + partition + " '" + mountPoint + "'"),
                      "");
        }
        if (c.mount == 2)
            worker = Shell("cd '" + mountPoint + "' && { sleep 600 >/dev/null 2>&1 & echo $!; }");
        const std::string before = c.mount == 2 ? Digest(drive.image) : "";
        UsbDiskInfo disk;
        if (!drive.Record(disk))
            continue;
        drive.reporter.answer = true;
        drive.reporter.onEvent = [&](const std::string& event) {
            if (event == c.at)
                drive.Swap();
        };
        const int result = drive.Build(disk);
        const bool mounted = Shell("grep -c ' " + mountPoint + " ' /proc/self/mountinfo") == "1\n";
        if (c.ends == Ends::Made) {
            EXPECT_EQ(result, kBuildCreated) << ::testing::PrintToString(drive.reporter.messages);
            EXPECT_EQ(drive.CheckVolume(), "");
            const std::string unmounted =
                "Unmounted " + partition + " (on " + drive.device + ") from " + mountPoint + ".@15";
            EXPECT_EQ(
                std::count(drive.reporter.steps.begin(), drive.reporter.steps.end(), unmounted),
                c.mount);
            EXPECT_FALSE(mounted);
            continue;
        }
        EXPECT_EQ(result, kBuildFailed);
        EXPECT_TRUE(drive.reporter.errors.empty());
        ASSERT_EQ(drive.reporter.messages.size(), 1u);
        const std::string expected =
            c.ends == Ends::Busy ? mountPoint + ", where " + partition + " (on " + drive.device +
                                       ") is mounted, is in use and cannot be unmounted"
                                 : "was replaced or removed; nothing more was written.";
        EXPECT_NE(drive.reporter.messages[0].find(expected), std::string::npos)
            << drive.reporter.messages[0];
        if (c.ends == Ends::Busy) {
            EXPECT_TRUE(mounted);
            EXPECT_EQ(Digest(drive.image), before) << "the drive was written";
            Shell("kill " + worker.substr(0, worker.find('\n')) + "; sleep 0.2");
        } else {
            EXPECT_EQ(Digest(drive.other), drive.otherDigest) << "the other drive was written";
        }
        Shell("umount '" + mountPoint + "' 2>/dev/null");
    }
}

TEST(ImageFile, BuildsWithAnotherFileRenamedOntoThePath) {
    BuildCases(false);
}

TEST(LoopDevice, BuildsWithAnotherMediumAttachedOrWithMountedPartitions) {
    BuildCases(true);
}

// Inverts the byte at offset of a file of an ISO image, found by xorriso.
void FlipIsoByte(const std::string& image, const std::string& file, uint64_t offset) {
    const std::string report = Shell("xorriso -indev '" + image + "' -find '" + file +
                                     "' -exec report_lba -- 2>/dev/null | grep '^File data'");
    const size_t comma = report.find(',');
    ASSERT_NE(comma, std::string::npos) << report;
    const uint64_t at = std::stoull(report.substr(comma + 1)) * 2048 + offset;
    std::fstream io(image, std::ios::in | std::ios::out | std::ios::binary);
    io.seekg(static_cast<std::streamoff>(at));
    const char byte = static_cast<char>(~io.get());
    io.seekp(static_cast<std::streamoff>(at));
    io.put(byte);
}

// An ISO image made by the real mastering tool and read back through
// xorriso: as made, every file is found as written; a byte changed between
// the mastering and the reading, in a file or in the boot-information table
// that mastering wrote into the boot loader, fails the image naming the file.
TEST(ImageFile, IsoImageReadBack) {
    const struct {
        const char* file;
        uint64_t offset;
        const char* failure;
    } cases[] = {
        {"", 0, ""},
        {"/wipe_config", 3, "verification failed: 'wipe_config' read back differs"},
        {"/isolinux/isolinux.bin", 12,
         "verification failed: 'isolinux/isolinux.bin' read back differs"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        qo::test::ScratchFolder scratch;
        const WString program = testing::MakeSmallPayload(scratch);
        platform::CreateFolders(scratch / u"tmp");
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        WizardSettings settings(env);
        settings.ChooseUsb = 0;
        settings.IsoPath = scratch / u"x.iso";
        MediumVerifier verifier(true, program);
        verifier.beforeReadBack = [&] {
            if (*c.file != '\0')
                FlipIsoByte(platform::ToUtf8(*settings.IsoPath), c.file, c.offset);
        };
        testing::RecordingReporter reporter;
        const int result = RunBuild(reporter, [&](BuildContext& build) {
            return IsoMediaBuilder(settings, build, program, scratch / u"tmp",
                                   {true, true, {}, &verifier})
                .BuildIsoImage();
        });
        const MediumReport& report = verifier.Report();
        EXPECT_EQ(report.files.size(), 10u);
        if (*c.file == '\0') {
            EXPECT_EQ(result, kBuildCreated) << ::testing::PrintToString(reporter.messages);
            EXPECT_EQ(report.verification, Verification::Passed);
            continue;
        }
        EXPECT_EQ(result, kBuildFailed);
        EXPECT_EQ(report.verification, Verification::Failed);
        ASSERT_EQ(reporter.messages.size(), 1u);
        EXPECT_NE(reporter.messages[0].find(c.failure), std::string::npos) << reporter.messages[0];
    }
}

}  // namespace
}  // namespace wizard

int main(int argc, char** argv) {
    return wizard::testing::RunWithLoopDevices(argc, argv, "ImageFile.*", "LoopDevice.*");
}
