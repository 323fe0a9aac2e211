#include "wizard/media/linux/usb_discovery.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wizard/media/linux/disk_identity.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/mount_table.h"

namespace wizard {
namespace {

namespace fs = std::filesystem;

using qo::test::Shell;

void Put(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text << "\n";
}

// A sysfs tree, a /dev folder whose "devices" are image files, and a mount table.
class FakeSystem {
  public:
    FakeSystem() : root(platform::ToUtf8(scratch.Path())) {
        roots.sys = root + "/sys";
        roots.dev = root + "/dev";
        roots.mountinfo = root + "/mountinfo";
        fs::create_directories(roots.dev);
        Put(roots.mountinfo, "20 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw");
    }
    // A whole disk below device folder `parent` (relative to sys/devices).
    fs::path AddDisk(const std::string& name, const std::string& parent, bool removable,
                     uint64_t bytes, int major, int minor) {
        const fs::path folder = fs::path(roots.sys) / "devices" / parent / "block" / name;
        Put(folder / "removable", removable ? "1" : "0");
        Put(folder / "size", std::to_string(bytes / 512));
        Put(folder / "dev", std::to_string(major) + ":" + std::to_string(minor));
        Link(name, folder, major, minor);
        fs::create_directories(fs::path(roots.sys) / "block");
        fs::create_directory_symlink(folder, fs::path(roots.sys) / "block" / name);
        return folder;
    }
    void AddPartition(const fs::path& disk, const std::string& name, uint64_t start, int major,
                      int minor) {
        const fs::path folder = disk / name;
        Put(folder / "partition", "1");
        Put(folder / "start", std::to_string(start));
        Put(folder / "dev", std::to_string(major) + ":" + std::to_string(minor));
        Link(name, folder, major, minor);
    }
    // `device` is built on `under` (its slave; under's holder).
    void Stack(const fs::path& device, const fs::path& under) {
        fs::create_directories(device / "slaves");
        fs::create_directories(under / "holders");
        fs::create_directory_symlink(under, device / "slaves" / under.filename());
        fs::create_directory_symlink(device, under / "holders" / device.filename());
    }
    void Link(const std::string& name, const fs::path& folder, int major, int minor) {
        fs::create_directories(fs::path(roots.sys) / "class" / "block");
        fs::create_directories(fs::path(roots.sys) / "dev" / "block");
        fs::create_directory_symlink(folder, fs::path(roots.sys) / "class" / "block" / name);
        fs::create_directory_symlink(folder,
                                     fs::path(roots.sys) / "dev" / "block" /
                                         (std::to_string(major) + ":" + std::to_string(minor)));
    }
    std::string Image(const std::string& name, uint64_t bytes) {
        const std::string path = roots.dev + "/" + name;
        EXPECT_EQ(Shell("truncate -s " + std::to_string(bytes) + " '" + path + "'"), "");
        return path;
    }

    qo::test::ScratchFolder scratch;
    std::string root;
    LinuxRoots roots;
};

constexpr uint64_t kMiB = 1 << 20;
const std::string kUsb = "pci0000:00/0000:00:14.0/usb1/1-1";
const std::string kUsbDisk = kUsb + "/1-1:1.0/host6/target6:0:0/6:0:0:0";

// Discovery on a fake tree: which disks are candidates, their facts and status.
TEST(LinuxUsbDiscovery, ListsRemovableUsbDisksWithTheirStatus) {
    FakeSystem sys;
    Put(fs::path(sys.roots.sys) / "devices" / kUsb / "serial", "SER123");
    // sdb: partition at 2048, FAT32 made by mkfs.vfat.
    const fs::path sdb = sys.AddDisk("sdb", kUsbDisk, true, 64 * kMiB, 8, 16);
    sys.AddPartition(sdb, "sdb1", 2048, 8, 17);
    const std::string b = sys.Image("sdb", 64 * kMiB);
    ASSERT_EQ(Shell("echo 'start=2048, type=c' | sfdisk -q '" + b +
                    "' && mkfs.vfat -F 32 -n STICK "
                    "--offset 2048 '" +
                    b + "' 64512 >/dev/null"),
              "");
    // sde: blank; sdf: FAT without a partition table; sdg: ext2 in a partition.
    sys.AddDisk("sde", "pci0000:00/0000:00:14.0/usb1/1-2/x/block", true, 32 * kMiB, 8, 64);
    sys.Image("sde", 32 * kMiB);
    sys.AddDisk("sdf", "pci0000:00/0000:00:14.0/usb1/1-3/x", true, 32 * kMiB, 8, 80);
    ASSERT_EQ(Shell("mkfs.vfat -C '" + sys.roots.dev + "/sdf' 32768 >/dev/null"), "");
    sys.AddDisk("sdg", "pci0000:00/0000:00:14.0/usb1/1-4/x", true, 32 * kMiB, 8, 96);
    const std::string g = sys.Image("sdg", 32 * kMiB);
    ASSERT_EQ(Shell("echo 'start=2048, type=83' | sfdisk -q '" + g +
                    "' && mkfs.ext2 -q -F -L "
                    "LINUXDATA -E offset=1048576 '" +
                    g + "' 15360"),
              "");
    // Not candidates: a USB disk reported as fixed, a removable card reader on
    // another bus, the system disk.
    sys.AddDisk("sdc", "pci0000:00/0000:00:14.0/usb2/2-1/x", false, 32 * kMiB, 8, 32);
    sys.Image("sdc", 32 * kMiB);
    sys.AddDisk("sdd", "pci0000:00/0000:00:1f.2/ata1/host0/x", true, 32 * kMiB, 8, 48);
    sys.Image("sdd", 32 * kMiB);
    sys.AddDisk("sda", "pci0000:00/0000:00:1f.2/ata2/host1/x", false, 512 * kMiB, 8, 0);
    // sdh: a USB disk whose device cannot be read.
    sys.AddDisk("sdh", "pci0000:00/0000:00:14.0/usb1/1-5/x", true, 32 * kMiB, 8, 112);
    // sdi: a GUID partition table with a FAT partition, which the MBR's
    // protective entry seems to put at sector 1.
    sys.AddDisk("sdi", "pci0000:00/0000:00:14.0/usb1/1-6/x", true, 32 * kMiB, 8, 128);
    const std::string i = sys.Image("sdi", 32 * kMiB);
    ASSERT_EQ(Shell("echo 'start=2048, type=uefi' | sfdisk -q --label gpt '" + i +
                    "' && mkfs.vfat --offset 2048 '" + i + "' 15360 >/dev/null"),
              "");
    // Not a candidate either: a USB DVD drive, removable like a stick.
    const fs::path sr0 =
        sys.AddDisk("sr0", "pci0000:00/0000:00:14.0/usb1/1-7/x/host9/target9:0:0/9:0:0:0", true,
                    32 * kMiB, 11, 0);
    Put(sr0 / "device" / "type", "5");
    sys.Image("sr0", 32 * kMiB);

    UsbDiskList disks;
    std::vector<std::string> unreadable;
    ASSERT_TRUE(RefreshUsbDisks(sys.roots, disks, unreadable));
    ASSERT_EQ(disks.size(), 5u);
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_NE(unreadable[0].find("/dev/sdh: cannot be read"), std::string::npos) << unreadable[0];
    struct Expected {
        const char* device;
        const char* fs;
        const char* label;
        bool table;
        int need;
        uint64_t start;
    } expected[] = {
        {"sdb", "FAT32", "STICK", true, 0, 2048},
        {"sde", "", "", false, 3, 0},
        {"sdf", "FAT", "", false, 3, 0},
        {"sdg", "ext2", "LINUXDATA", true, 1, 2048},
        {"sdi", "", "", false, 3, 0},
    };
    for (size_t i = 0; i < disks.size(); ++i) {
        const UsbDiskInfo& d = disks[i];
        SCOPED_TRACE(expected[i].device);
        EXPECT_EQ(platform::ToUtf8(d.DevicePath), sys.roots.dev + "/" + expected[i].device);
        EXPECT_EQ(platform::ToUtf8(d.FileSystem), expected[i].fs);
        EXPECT_EQ(platform::ToUtf8(d.VolumeLabel), expected[i].label);
        EXPECT_EQ(d.HasPartitionTable, expected[i].table);
        EXPECT_EQ(d.FormatNeed, expected[i].need);
        EXPECT_EQ(d.PartitionStartSector, expected[i].start);
        EXPECT_FALSE(d.IsBootable);
    }
    EXPECT_EQ(DiskSerial(sys.roots, "sdb"), "SER123");
    EXPECT_EQ(disks[0].Identity.Bytes, 64 * kMiB);
    // mkfs.vfat's own count of the volume, as minfo reports it, matches ours.
    const std::string info = Shell("minfo -i '" + b + "@@1048576' ::");
    const std::string freeText = "free clusters=";
    ASSERT_NE(info.find(freeText), std::string::npos) << info;
    const uint64_t freeClusters = std::stoull(info.substr(info.find(freeText) + freeText.size()));
    EXPECT_EQ(disks[0].FreeKB, freeClusters / 2);  // 1-sector clusters
    EXPECT_EQ(platform::ToUtf8(disks[1].CapacityText), "0 KB");

    // With the boot loader's file in its root, sdb becomes a bootable drive.
    const std::string file = platform::ToUtf8(sys.scratch.Write(u"ldlinux.sys", "x"));
    ASSERT_EQ(Shell("mcopy -i '" + b + "@@1048576' '" + file + "' ::/"), "");
    ASSERT_TRUE(RefreshUsbDisks(sys.roots, disks, unreadable));
    EXPECT_TRUE(disks[0].IsBootable);

    // Mounted: the facts come from its mount point.
    const std::string mountPoint = platform::ToUtf8(sys.scratch / u"mnt point");
    fs::create_directories(mountPoint);
    Put(fs::path(mountPoint) / "ldlinux.sys", "x");
    Put(sys.roots.mountinfo, "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 20 8:17 / " +
                                 std::string(mountPoint).replace(mountPoint.find(' '), 1, "\\040") +
                                 " rw - vfat /dev/sdb1 rw");
    ASSERT_TRUE(RefreshUsbDisks(sys.roots, disks, unreadable));
    EXPECT_EQ(platform::ToUtf8(disks[0].VolumePath), mountPoint);
    EXPECT_TRUE(disks[0].IsBootable);
}

TEST(LinuxUsbDiscovery, TargetsThatAreRefused) {
    FakeSystem sys;
    const fs::path sdb = sys.AddDisk("sdb", kUsbDisk, true, 32 * kMiB, 8, 16);
    sys.AddPartition(sdb, "sdb1", 2048, 8, 17);
    sys.Image("sdb", 32 * kMiB);
    sys.Image("sdb1", 16 * kMiB);
    sys.AddDisk("sdc", "pci0000:00/0000:00:14.0/usb2/2-1/x", false, 32 * kMiB, 8, 32);
    sys.Image("sdc", 32 * kMiB);
    sys.AddDisk("sdd", "pci0000:00/0000:00:1f.2/ata1/host0/x", true, 32 * kMiB, 8, 48);
    sys.Image("sdd", 32 * kMiB);
    const fs::path sde =
        sys.AddDisk("sde", "pci0000:00/0000:00:14.0/usb1/1-2/x", true, 32 * kMiB, 8, 64);
    sys.AddPartition(sde, "sde1", 2048, 8, 65);
    sys.Image("sde", 32 * kMiB);
    const std::string image = sys.Image("../drive.img", 32 * kMiB);
    const std::string empty = platform::ToUtf8(sys.scratch.Write(u"empty.img", ""));
    // Links as udev makes them.
    const std::string byId = sys.roots.dev + "/disk/by-id/usb-Stick_SER123";
    fs::create_directories(fs::path(byId).parent_path());
    fs::create_symlink("../../sdb", byId);
    fs::create_symlink("../../sdb1", byId + "-part1");
    // sdg1 carries a device mapper device (LVM, dm-crypt) and a RAID, with a
    // second mapper device on the RAID; a loop device's file may lie on it.
    const fs::path sdg =
        sys.AddDisk("sdg", "pci0000:00/0000:00:14.0/usb1/1-4/x", true, 32 * kMiB, 8, 96);
    sys.AddPartition(sdg, "sdg1", 2048, 8, 97);
    sys.Image("sdg", 32 * kMiB);
    const fs::path md0 = sys.AddDisk("md0", "virtual", false, 16 * kMiB, 9, 0);
    sys.Stack(sys.AddDisk("dm-0", "virtual", false, 16 * kMiB, 253, 0), sdg / "sdg1");
    sys.Stack(md0, sdg / "sdg1");
    sys.Stack(sys.AddDisk("dm-1", "virtual", false, 16 * kMiB, 253, 1), md0);
    Put(sys.AddDisk("loop0", "virtual", false, 16 * kMiB, 7, 0) / "loop" / "backing_file",
        "/media/stick/root.img");
    std::error_code error;
    const std::string program = fs::canonical("/proc/self/exe", error).parent_path().string();
    const std::string onSde1 = "20 1 8:65 / / rw - ext4 /dev/sde1 rw";  // the running system
    struct Case {
        std::string target;
        bool root;
        std::string error;  // "" = accepted
        std::string mountinfo = "20 1 8:65 / / rw - ext4 /dev/sde1 rw";
    } cases[] = {
        {sys.roots.dev + "/sdb", true, ""},
        {byId, true, ""},
        {image, false, ""},  // an image file needs no special rights
        {byId + "-part1", true,
         "usb-Stick_SER123-part1 (" + sys.roots.dev + "/sdb1) is a partition: give the whole disk"},
        {sys.roots.dev + "/sdb", false, "needs administrator rights"},
        {sys.roots.dev + "/sdb1", true, "is a partition: give the whole disk"},
        {sys.roots.dev + "/sdc", true, "is not a removable USB disk"},
        {sys.roots.dev + "/sdd", true, "is not a removable USB disk"},
        {sys.roots.dev + "/sde", true, "holds the running system"},
        {sys.root + "/missing.img", true, "No such file"},
        {empty, true, "the image file is empty"},
        {sys.root, true, "neither an image file nor a disk device"},
        {"/proc/self/exe", true, "is this program"},
        // The system however stacked on sdg, and sdg in use by what is built on it.
        {sys.roots.dev + "/sdg", true, "holds the running system",
         "20 1 253:0 / / rw - ext4 /dev/mapper/root rw"},
        {sys.roots.dev + "/sdg", true, "holds the running system",
         "20 1 253:1 / / rw - ext4 /dev/mapper/vg-root rw"},
        {sys.roots.dev + "/sdg", true, "holds the running system",
         "20 1 7:0 / / rw - ext4 /dev/loop0 rw\n30 20 8:97 / /media/stick rw - vfat /dev/sdg1 rw"},
        {sys.roots.dev + "/sdg", true, "holds the running system",
         onSde1 + "\n30 20 253:0 / " + program + " rw - ext4 /dev/mapper/root rw"},
        {sys.roots.dev + "/sdg", true, "is in use by "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target + " with " + c.mountinfo);
        Put(sys.roots.mountinfo, c.mountinfo);
        UsbDiskInfo disk;
        std::string why;
        const bool ok = OpenUsbTarget(sys.roots, c.target, c.root, disk, why);
        EXPECT_EQ(ok, c.error.empty()) << why;
        if (!ok)
            EXPECT_NE(why.find(c.error), std::string::npos) << why;
        else
            EXPECT_EQ(disk.FormatNeed, 3);
    }
    // A link is resolved once: the record works on the device and messages name both.
    UsbDiskInfo disk;
    std::string why;
    ASSERT_TRUE(OpenUsbTarget(sys.roots, byId, true, disk, why)) << why;
    EXPECT_EQ(platform::ToUtf8(DriveName(disk)), byId + " (" + sys.roots.dev + "/sdb)");
}

// The identity check and the lock on an image file.
TEST(LinuxDiskAccess, ImageIdentityAndExclusiveLock) {
    FakeSystem sys;
    const std::string image = sys.Image("../drive.img", 32 * kMiB);
    UsbDiskInfo disk;
    std::string error;
    ASSERT_TRUE(OpenUsbTarget(sys.roots, image, false, disk, error)) << error;
    LinuxDiskAccess access(sys.roots);
    platform::WString why;
    EXPECT_TRUE(access.OpenDisk(disk, DiskUse::Tools, why));
    {
        std::unique_ptr<LockedVolume> first = access.LockVolume(disk);
        ASSERT_TRUE(first);
        EXPECT_FALSE(access.LockVolume(disk)) << "locked twice";
        EXPECT_TRUE(access.OpenDisk(disk, DiskUse::Write, why))
            << "the lock's holder writes the partition table";
        LinuxDiskAccess other(sys.roots);
        EXPECT_FALSE(other.OpenDisk(disk, DiskUse::Write, why)) << "opened by another while locked";
    }
    EXPECT_TRUE(access.LockVolume(disk));
    sys.Image("../drive.img", 64 * kMiB);  // another size: another disk
    EXPECT_FALSE(access.OpenDisk(disk, DiskUse::Tools, why));
    EXPECT_NE(platform::ToUtf8(why).find("was replaced or removed"), std::string::npos);
}

TEST(LinuxDiskAccess, PartitionsOfADisk) {
    struct Case {
        const char* device;
        const char* disk;
        bool belongs;
    } cases[] = {
        {"sdb", "sdb", true},
        {"sdb1", "sdb", true},
        {"sdb12", "sdb", true},
        {"sdba", "sdb", false},
        {"sdba1", "sdb", false},
        {"sdc1", "sdb", false},
        {"mmcblk0p1", "mmcblk0", true},
        {"mmcblk01", "mmcblk0", false},
        {"mmcblk0boot0", "mmcblk0", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsPartitionOf(c.device, c.disk), c.belongs) << c.device << " of " << c.disk;
}

TEST(MountTable, ParsesMountinfoLines) {
    const std::vector<MountEntry> entries = ParseMountInfo(
        "36 35 98:0 /mnt1 /mnt/my\\040stick rw,noatime master:1 - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "37 35 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "38 35 8:2 / /x rw shared:2 shared:3\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].DeviceNumber, "98:0");
    EXPECT_EQ(entries[0].MountPoint, "/mnt/my stick");
    EXPECT_EQ(entries[0].FileSystemType, "vfat");
    EXPECT_EQ(entries[0].Source, "/dev/sdb1");
    EXPECT_EQ(entries[1].MountPoint, "/");
}

}  // namespace
}  // namespace wizard
