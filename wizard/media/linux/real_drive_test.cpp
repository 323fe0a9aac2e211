// USB builds on real drives: image files, and loop devices as kernel block
// devices (admitted through discovery's own seam, InitUsbDiskInfo; the rule
// that a target be a removable USB disk stays with OpenUsbTarget). A drive
// replaced at any step after the confirmation is never written and the build
// never succeeds; mounted partitions are unmounted, a busy one ends the build.
//
// Two CTest tests run this program: the image files as any user, and with
// --loop-devices the loop devices, which need root and /dev/loop-control (the
// program exits with 77, a skip, when either is missing).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/mount_table.h"
#include "wizard/media/linux/usb_discovery.h"
#include "wizard/media/usb_media_builder.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;
using qo::test::Shell;

// Records the build and, when the step `at` shows (or the question is
// answered, for "answer"), runs the hook.
class HookReporter : public BuildReporter {
  public:
    void ShowStep(const WString& text, int position) override {
        std::lock_guard<std::mutex> lock(mutex);
        steps.push_back(platform::ToUtf8(text) + "@" + std::to_string(position));
        if (steps.back() == at)
            hook();
    }
    void ShowError(int stringId) override {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(stringId);
    }
    void ShowMessage(const WString&, const WString& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(platform::ToUtf8(text));
    }
    bool AskYesNo(const WString&, const WString&) override {
        if (at == "answer")
            hook();
        return true;
    }
    std::mutex mutex;
    std::string at;
    std::function<void()> hook;
    std::vector<std::string> steps, messages;
    std::vector<int> errors;
};

std::string Digest(const std::string& path) {
    return Shell("sha256sum < '" + path + "'");
}

// A 64 MiB drive, blank or with an ext2 partition from sector 2048 (a table
// the drive keeps): an image file, or a loop device over one. Swap puts
// another drive of the same size in its place.
class TestDrive {
  public:
    TestDrive(qo::test::ScratchFolder& scratch, bool loop, bool kept)
        : image(platform::ToUtf8(scratch / u"drive.img")),
          other(platform::ToUtf8(scratch / u"other.img")) {
        EXPECT_EQ(Shell("truncate -s 64M '" + image + "'"), "");
        if (kept) {
            EXPECT_EQ(Shell("echo 'start=2048, type=83' | sfdisk -q '" + image +
                            "' && mkfs.ext2 -q -F -E offset=1048576 '" + image + "' 64512"),
                      "");
        }
        EXPECT_EQ(Shell("head -c 1048576 /dev/urandom > '" + other + "' && truncate -s 64M '" +
                        other + "'"),
                  "");
        otherDigest = Digest(other);
        if (loop) {
            device = Shell("losetup -f --show " + std::string(kept ? "-P " : "") + "'" + image +
                           "'");
            EXPECT_EQ(device.rfind("/dev/loop", 0), 0u) << device;
            device.erase(device.find_last_not_of('\n') + 1);
        }
    }
    ~TestDrive() {
        if (!device.empty())
            Shell("losetup -d " + device);
    }
    bool Record(UsbDiskInfo& disk) {
        std::string error;
        const bool made =
            device.empty()
                ? OpenUsbTarget(LinuxRoots{}, image, geteuid() == 0, disk, error)
                : InitUsbDiskInfo(LinuxRoots{}, device, device.substr(5), disk, error);
        EXPECT_TRUE(made) << error;
        return made;
    }
    // An image file: another file renamed onto its name. A loop device:
    // detached and attached to another file (a new disk sequence number).
    void Swap() {
        if (device.empty()) {
            EXPECT_EQ(rename(other.c_str(), image.c_str()), 0);
            other = image;
            return;
        }
        const std::string sequence = "/sys/block/" + device.substr(5) + "/diskseq";
        const std::string before = Shell("cat " + sequence);
        EXPECT_EQ(Shell("losetup -d " + device + " && losetup " + device + " '" + other + "'"), "");
        EXPECT_NE(Shell("cat " + sequence), before);
    }
    std::string Path() const { return device.empty() ? image : device; }

    std::string image, other, device, otherDigest;
};

// A program folder with a small payload and the system's boot loader.
class Build {
  public:
    Build() : program(scratch / u"prog"), temp(scratch / u"tmp") {
        scratch.Write(u"prog/common/vmlinuz", "kernel");
        scratch.Write(u"prog/flash/syslinux.cfg", "DEFAULT quelix");
        scratch.Write(u"prog/schemes/zero_fill.sch", "; zeros\n[1-pass zero fill]\n1. zero\n");
        const std::string folder = platform::ToUtf8(program);
        EXPECT_EQ(Shell("ln -s \"$(command -v syslinux)\" '" + folder +
                        "/syslinux' && cp /usr/lib/syslinux/mbr/mbr.bin '" + folder + "/'"),
                  "");
        platform::CreateFolders(temp);
    }
    int Run(const UsbDiskInfo& disk) {
        SettingsEnvironment env;
        env.SchemesFolder = JoinPath(program, u"schemes");
        env.ProgramFolder = program;
        WizardSettings settings(env);
        settings.ChooseUsb = 1;
        settings.SelectedUsbDisk = 0;
        settings.UsbDisks = {disk};
        LinuxDiskAccess access;
        BuildWorker worker(reporter, std::chrono::milliseconds(1));
        std::promise<int> result;
        worker.Start(
            [&](BuildContext& build) {
                return UsbMediaBuilder(settings, build, access, program, temp).BuildUsbDrive();
            },
            [&](int value) { result.set_value(value); });
        const int value = result.get_future().get();
        worker.Join();
        built = settings.UsbDisks[0];
        return value;
    }
    // fsck.fat on the built volume, cut out of the drive.
    std::string CheckVolume(const std::string& drive) {
        const std::string part = platform::ToUtf8(scratch / u"part.img");
        return Shell("dd if='" + drive + "' of='" + part + "' bs=512 skip=" +
                     std::to_string(built.PartitionStartSector) + " count=" +
                     std::to_string(built.VolumeBytes / 512) +
                     " status=none && fsck.fat -n '" + part + "' >/dev/null");
    }

    qo::test::ScratchFolder scratch;
    WString program, temp;
    HookReporter reporter;
    UsbDiskInfo built;
};

// At every step after the confirmation another drive is put in place of the
// confirmed one: the build stops with the message, never succeeds, and the
// other drive is byte for byte what it was.
void SwapCases(bool loop) {
    struct Case {
        bool kept;
        const char* at;  // "": no swap
    } cases[] = {
        {false, ""},
        {false, "answer"},
        {false, "Creating MBR sector on the USB removable disk...@20"},
        {false, "Formatting the USB removable disk...@25"},
        {false, "Creating archive ...@80"},
        {false, "Running syslinux.exe utility ...@90"},
        {false, "Checking result returned by syslinux.exe utility ...@95"},
        {true, "answer"},
        {true, "Formatting the USB removable disk...@25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.kept ? "kept table" : "blank") + ", swapped at '" + c.at + "'");
        Build build;
        TestDrive drive(build.scratch, loop, c.kept);
        UsbDiskInfo disk;
        if (!drive.Record(disk))
            continue;
        EXPECT_EQ(disk.FormatNeed, c.kept ? 1 : 3);
        build.reporter.at = c.at;
        build.reporter.hook = [&] { drive.Swap(); };
        const int result = build.Run(disk);
        if (*c.at == '\0') {
            EXPECT_EQ(result, kBuildCreated) << ::testing::PrintToString(build.reporter.messages);
            EXPECT_EQ(build.CheckVolume(drive.Path()), "");
            continue;
        }
        EXPECT_EQ(result, kBuildFailed);
        EXPECT_EQ(Digest(drive.other), drive.otherDigest) << "the other drive was written";
        EXPECT_TRUE(build.reporter.errors.empty());
        ASSERT_EQ(build.reporter.messages.size(), 1u);
        EXPECT_NE(build.reporter.messages[0].find(
                      "was replaced or removed; nothing more was written."),
                  std::string::npos)
            << build.reporter.messages[0];
    }
}

TEST(ImageFile, AnotherFileRenamedOntoThePathIsNeverWritten) {
    SwapCases(false);
}

TEST(LoopDevice, AnotherMediumAttachedInPlaceIsNeverWritten) {
    SwapCases(true);
}

// A partition a desktop mounted is unmounted, and the build goes on; a busy
// one (a process works in it) ends the build naming its mount point, with
// the drive untouched.
TEST(LoopDevice, MountedPartitionsAreUnmountedOrEndTheBuild) {
    for (const bool busy : {false, true}) {
        SCOPED_TRACE(busy ? "busy" : "idle");
        Build build;
        TestDrive drive(build.scratch, true, true);
        const std::string partition = drive.device + "p1";
        const std::string mountPoint = platform::ToUtf8(build.scratch / u"stick");
        ASSERT_EQ(Shell("partx -a " + drive.device + " 2>/dev/null; test -b " + partition +
                        " && mkdir '" + mountPoint + "' && mount " + partition + " '" +
                        mountPoint + "'"),
                  "");
        std::string worker;
        if (busy)
            worker = Shell("cd '" + mountPoint +
                           "' && { sleep 600 >/dev/null 2>&1 & echo $!; }");
        Shell("sync");
        const std::string before = Digest(drive.image);
        UsbDiskInfo disk;
        ASSERT_TRUE(drive.Record(disk));
        const int result = build.Run(disk);
        const bool mounted = Shell("grep -c ' " + mountPoint + " ' /proc/self/mountinfo") == "1\n";
        if (busy) {
            EXPECT_EQ(result, kBuildFailed);
            ASSERT_EQ(build.reporter.messages.size(), 1u);
            EXPECT_NE(build.reporter.messages[0].find(mountPoint + ", where " + partition +
                                                      " (on " + drive.device +
                                                      ") is mounted, is in use"),
                      std::string::npos)
                << build.reporter.messages[0];
            EXPECT_TRUE(mounted);
            Shell("sync");
            EXPECT_EQ(Digest(drive.image), before) << "the drive was written";
            Shell("kill " + worker.substr(0, worker.find('\n')) + "; sleep 0.2");
        } else {
            EXPECT_EQ(result, kBuildCreated) << ::testing::PrintToString(build.reporter.messages);
            EXPECT_FALSE(mounted);
            EXPECT_EQ(std::count(build.reporter.steps.begin(), build.reporter.steps.end(),
                                 "Unmounted " + partition + " (on " + drive.device + ") from " +
                                     mountPoint + ".@15"),
                      1);
            EXPECT_EQ(build.CheckVolume(drive.device), "");
        }
        Shell("umount '" + mountPoint + "' 2>/dev/null");
    }
}

}  // namespace
}  // namespace wizard

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    bool loop = false;
    for (int i = 1; i < argc; ++i)
        loop = loop || std::string(argv[i]) == "--loop-devices";
    if (loop && (geteuid() != 0 || access("/dev/loop-control", W_OK) != 0)) {
        std::printf("SKIPPED: the loop-device tests need root and /dev/loop-control (%s)\n",
                    geteuid() != 0 ? "not root" : "no /dev/loop-control");
        return 77;
    }
    ::testing::GTEST_FLAG(filter) = loop ? "LoopDevice.*" : "ImageFile.*";
    return RUN_ALL_TESTS();
}
