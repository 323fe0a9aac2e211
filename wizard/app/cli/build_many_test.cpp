// Eight drives made at once from a small payload (the real tools, image files
// and, as root, a loop device): faults stay with their drive, Ctrl-C stops
// every drive. Two CTest tests run this program: the image files as any user,
// and with --loop-devices the run with a loop device, which needs root and
// /dev/loop-control (the program exits with 77, a skip, when either is missing).
#include "wizard/app/cli/build_many.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/usb_discovery.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/testing/loop_device_main.h"
#include "wizard/media/testing/small_payload.h"

namespace wizard::cli {
namespace {

using qo::test::Shell;

constexpr size_t kDrives = 8;

// Eight 64 MiB image files (the first one, with loop, a loop device over its
// image) and the settings of the small payload.
class EightDrives {
  public:
    explicit EightDrives(bool loop, const char* stepPauseMs = "0")
        : program_(testing::MakeSmallPayload(scratch_)) {
        setenv("QUELIX_STEP_PAUSE_MS", stepPauseMs, 1);
        SettingsEnvironment env;
        env.SchemesFolder = platform::JoinPath(program_, u"schemes");
        env.ProgramFolder = program_;
        settings = WizardSettings(env);
        for (size_t i = 0; i < kDrives; ++i) {
            images.push_back(
                platform::ToUtf8(scratch_ / platform::FromUtf8("d" + std::to_string(i) + ".img")));
            EXPECT_EQ(Shell("truncate -s 64M '" + images[i] + "'"), "");
        }
        if (loop) {
            device = Shell("losetup -f --show '" + images[0] + "'");
            device.erase(device.find_last_not_of('\n') + 1);
        }
        for (size_t i = 0; i < kDrives; ++i) {
            UsbDiskInfo disk;
            std::string error;
            const bool opened =
                i == 0 && loop
                    ? InitUsbDiskInfo(LinuxRoots{}, device, device.substr(5), disk, error)
                    : OpenUsbTarget(LinuxRoots{}, images[i], false, disk, error);
            EXPECT_TRUE(opened) << error;
            disks.push_back(disk);
        }
        options.action = Action::Usb;
        options.usbTargets = images;
        options.recordFolder = platform::ToUtf8(scratch_ / u"records");
    }
    ~EightDrives() {
        if (!device.empty())
            Shell("blockdev --setrw " + device + "; losetup -d " + device);
    }
    // Runs the build; the board and table are kept in table.
    int Run(const DriveRunHooks& hooks) {
        const std::string out = platform::ToUtf8(scratch_ / u"out.txt");
        std::FILE* file = std::fopen(out.c_str(), "w+");
        const int result = BuildDrives(settings, disks, options, {}, file, hooks);
        std::fclose(file);
        std::ifstream in(out);
        const std::string all{std::istreambuf_iterator<char>(in), {}};
        table = all.substr(all.find("\nDrive ") + 1);
        return result;
    }
    // The table's row of a drive.
    std::string Row(size_t drive) const {
        const std::string name = device.empty() || drive != 0 ? images[drive] : device;
        const size_t at = table.find("\n" + name + " ");
        return at == std::string::npos ? ""
                                       : table.substr(at + 1, table.find('\n', at + 1) - at - 1);
    }
    size_t Records() const {
        return std::stoul(
            Shell("ls '" + options.recordFolder + "' 2>/dev/null | grep -c json$ || :"));
    }

    qo::test::ScratchFolder scratch_;
    platform::WString program_;
    WizardSettings settings;
    std::vector<std::string> images;
    std::string device;
    std::vector<UsbDiskInfo> disks;
    CliOptions options;
    std::string table;
};

// Inverts the first byte of a file on the FAT volume of a drive image.
void FlipFileByte(const std::string& image, const std::string& path) {
    std::fstream io(image, std::ios::in | std::ios::out | std::ios::binary);
    const VolumeReader disk = [&](uint64_t offset, std::span<uint8_t> bytes) {
        io.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(io.read(reinterpret_cast<char*>(bytes.data()),
                                         static_cast<std::streamsize>(bytes.size())));
    };
    MbrSector sector{};
    DriveLayout layout;
    ASSERT_TRUE(disk(0, sector) && DecodeMbr(sector, 64 << 20, layout));
    const uint64_t start = layout.Partitions[0].StartingOffset;
    const VolumeReader volume = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return disk(start + offset, bytes);
    };
    FatVolume fat;
    FatEntry entry;
    uint64_t freeClusters = 0;
    ASSERT_TRUE(ReadFatVolume(volume, fat, freeClusters) && FatFindPath(volume, fat, path, entry));
    const uint64_t at =
        start + (fat.FirstDataSector + (entry.FirstCluster - 2) * fat.SectorsPerCluster) *
                    fat.BytesPerSector;
    io.seekg(static_cast<std::streamoff>(at));
    const char byte = static_cast<char>(~io.get());
    io.seekp(static_cast<std::streamoff>(at));
    io.put(byte);
}

// The loop device is made read-only while the files are staged, before they
// are copied: it fails with the write error. One image has a byte of its
// configuration changed between the writing and the reading back: it fails
// verification naming the file. The six others are made, verified and
// recorded; the exit code says that not all were made.
TEST(LoopDevice, FaultsStayWithTheirDrive) {
    EightDrives drives(true);
    ASSERT_EQ(drives.device.rfind("/dev/loop", 0), 0u) << drives.device;
    DriveRunHooks hooks;
    hooks.onStep = [&](size_t drive, const std::string& step) {
        if (drive == 0 && step == "Copying common files to the USB removable disk...@60") {
            EXPECT_EQ(Shell("blockdev --setro " + drives.device), "");
        }
    };
    hooks.beforeReadBack = [&](size_t drive) {
        if (drive == 1)
            FlipFileByte(drives.images[1], "wipe_config");
    };
    EXPECT_EQ(drives.Run(hooks), kBuildFailed) << drives.table;
    EXPECT_NE(drives.Row(0).find("failed: cannot copy the files to the USB removable disk: the "
                                 "drive " +
                                 drives.device + " is read-only."),
              std::string::npos)
        << drives.table;
    EXPECT_NE(drives.Row(1).find(
                  "failed: verification failed: 'wipe_config' read back differs from the file "
                  "written."),
              std::string::npos)
        << drives.table;
    for (size_t i = 2; i < kDrives; ++i)
        EXPECT_NE(drives.Row(i).find("created, verified"), std::string::npos) << drives.table;
    EXPECT_EQ(drives.Records(), kDrives);
    EXPECT_EQ(Shell("grep -l '\"verification\": {\"result\": \"failed\", \"failure\": \"'"
                    "\"'\"'wipe_config'\"'\"' read back differs' '" +
                    drives.options.recordFolder + "'/* | wc -l"),
              "1\n");
}

// Ctrl-C once every drive is being formatted: every worker stops (within the
// 4 s the run gives them), the table marks each drive incomplete, no record
// is written and the exit code is that of a cancelled build.
TEST(ImageFile, CtrlCStopsEveryDrive) {
    EightDrives drives(false, "200");
    std::atomic<size_t> formatting{0};
    DriveRunHooks hooks;
    hooks.onStep = [&](size_t, const std::string& step) {
        if (step == "Formatting the USB removable disk...@25" && ++formatting == kDrives)
            std::raise(SIGINT);
    };
    EXPECT_EQ(drives.Run(hooks), kBuildNotCompleted) << drives.table;
    for (size_t i = 0; i < kDrives; ++i)
        EXPECT_NE(drives.Row(i).find("incomplete: cancelled"), std::string::npos) << drives.table;
    EXPECT_EQ(drives.Records(), 0u);
}

}  // namespace
}  // namespace wizard::cli

int main(int argc, char** argv) {
    return wizard::testing::RunWithLoopDevices(argc, argv, "ImageFile.*", "LoopDevice.*");
}
