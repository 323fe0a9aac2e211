#include "wiper/drive_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "testsupport/scratch_folder.h"
#include "testsupport/shell.h"
#include "wiper/boot_medium.h"
#include "wiper/linux/disk_target.h"

namespace wiper {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out: block/NAME links to the disk's
// folder below devices/, whose "device" links to the SCSI (or other) device.
class FakeSysfs {
  public:
    FakeSysfs() : root_(platform::ToUtf8(scratch_.Path())) {
        fs::create_directories(root_ / "block");
    }
    void Disk(const std::string& name, const std::string& devicePath,
              const std::map<std::string, std::string>& diskFiles,
              const std::map<std::string, std::string>& deviceFiles) {
        const fs::path device = root_ / "devices" / devicePath;
        const fs::path disk = device / "block" / name;
        fs::create_directories(disk / "queue");
        if (!deviceFiles.empty()) {
            fs::create_directory_symlink("../..", disk / "device");
            for (const auto& [file, text] : deviceFiles)
                Write(device / file, text);
        }
        for (const auto& [file, text] : diskFiles)
            Write(disk / file, text);
        fs::create_directory_symlink(fs::relative(disk, root_ / "block"), root_ / "block" / name);
    }
    static void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::string root() const { return root_.string(); }
    fs::path path() const { return root_; }

  private:
    qo::test::ScratchFolder scratch_;
    fs::path root_;
};

TEST(DriveScan, ClassesIdentitiesAndExclusions) {
    FakeSysfs sys;
    const std::string ata = "pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
    sys.Disk(
        "sda", ata,
        {{"size", "1953525168\n"},
         {"removable", "0\n"},
         {"queue/rotational", "1\n"},
         {"sda1/partition", "1\n"},
         {"sda1/start", "2048\n"},
         {"sda2/partition", "2\n"},
         {"sda2/start", "411648\n"}},
        {{"model", "WDC WD10EZEX-00B\n"}, {"vpd_pg80", std::string("\0\x80\0\x0a  WD-123  ", 14)}});
    const std::string usb = "pci0000:00/0000:00:14.0/usb2/2-1";
    FakeSysfs::Write(sys.path() / "devices" / usb / "idVendor", "0781\n");
    FakeSysfs::Write(sys.path() / "devices" / usb / "serial", "4C530001\n");
    sys.Disk("sdb", usb + "/2-1:1.0/host6/target6:0:0/6:0:0:0",
             {{"size", "60063744\n"}, {"removable", "0\n"}, {"queue/rotational", "1\n"}},
             {{"model", "Cruzer Blade\n"}});
    sys.Disk("sdc", "pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0",
             {{"size", "2048\n"}, {"removable", "1\n"}, {"queue/rotational", "1\n"}},
             {{"model", "Card\n"}});
    sys.Disk("nvme0n1", "pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0",
             {{"size", "1000215216\n"}, {"removable", "0\n"}, {"queue/rotational", "0\n"}},
             {{"model", "Samsung SSD 970 EVO Plus 500GB\n"}, {"serial", "S4EVNX0N\n"}});
    sys.Disk("vda", "pci0000:00/0000:00:04.0/virtio1",
             {{"size", "2048\n"},
              {"removable", "0\n"},
              {"queue/rotational", "1\n"},
              {"serial", "VIRT-7\n"}},
             {{"vendor", "0x1af4\n"}});
    sys.Disk("sr0", "pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0", {{"size", "2048\n"}},
             {{"type", "5\n"}});
    sys.Disk("sdd", "pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0/host7/target7:0:0/7:0:0:0",
             {{"size", "0\n"}}, {{"type", "0\n"}});
    for (const char* name : {"loop0", "ram0", "zram0", "dm-0"})
        sys.Disk(name, std::string("virtual/block/") + name, {{"size", "2048\n"}}, {});

    std::vector<SkippedDisk> skipped;
    const std::vector<DriveInfo> drives = ScanDrives(sys.root(), skipped);
    const struct {
        const char* name;
        DriveClass driveClass;
        const char* serial;
        const char* model;
        uint64_t size;
    } want[] = {
        {"nvme0n1", DriveClass::Ssd, "S4EVNX0N", "Samsung SSD 970 EVO Plus 500GB",
         1000215216ull * 512},
        {"sda", DriveClass::Hdd, "WD-123", "WDC WD10EZEX-00B", 1953525168ull * 512},
        {"sdb", DriveClass::Removable, "4C530001", "Cruzer Blade", 60063744ull * 512},
        {"sdc", DriveClass::Removable, "", "Card", 2048 * 512},
        {"vda", DriveClass::Hdd, "VIRT-7", "", 2048 * 512},
    };
    ASSERT_EQ(drives.size(), std::size(want));
    for (size_t i = 0; i < drives.size(); ++i) {
        EXPECT_EQ(drives[i].name, want[i].name);
        EXPECT_EQ(drives[i].driveClass, want[i].driveClass) << want[i].name;
        EXPECT_EQ(drives[i].serial, want[i].serial) << want[i].name;
        EXPECT_EQ(drives[i].model, want[i].model) << want[i].name;
        EXPECT_EQ(drives[i].sizeBytes, want[i].size) << want[i].name;
    }
    EXPECT_TRUE(drives[2].usb && !drives[2].removableFlag);
    ASSERT_EQ(drives[1].volumes.size(), 2u);
    EXPECT_EQ(drives[1].volumes[1].name, "sda2");
    EXPECT_EQ(drives[1].volumes[1].offset, 411648u * 512);
    EXPECT_EQ(drives[0].volumes[0].name, "nvme0n1");  // no partitions: the whole disk
    std::map<std::string, std::string> reasons;
    for (const SkippedDisk& s : skipped)
        reasons[s.name] = s.reason;
    EXPECT_EQ(reasons, (std::map<std::string, std::string>{
                           {"dm-0", "no hardware behind it"},
                           {"loop0", "a virtual disk in memory or a file"},
                           {"ram0", "a virtual disk in memory or a file"},
                           {"sdd", "no medium"},
                           {"sr0", "an optical drive"},
                           {"zram0", "a virtual disk in memory or a file"}}));

    // A rotational drive with a solid-state cache is hybrid; removable wins.
    EXPECT_EQ(ClassifyDrive(false, false, true, true), DriveClass::Hybrid);
    EXPECT_EQ(ClassifyDrive(false, true, false, true), DriveClass::Removable);
}

// Media made by the real tools: the wizard's label, or its configuration
// archive in the root of a volume with another label, mark a wiping medium.
TEST(DriveScan, WipingMediumIsRecognised) {
    qo::test::ScratchFolder scratch;
    const std::string image = platform::ToUtf8(scratch / u"disk.img");
    const struct {
        const char* label;
        bool archive;
        const char* sign;
    } cases[] = {
        {"QUELIX_OMS", false, "volume label QUELIX_OMS"},
        {"STICK", true, "configuration archive on the volume"},
        {"STICK", false, ""},
    };
    for (const auto& c : cases) {
        std::string command = "rm -f " + image + " && truncate -s 40M " + image +
                              " && echo 'start=2048, type=c' | sfdisk -q " + image +
                              " && mkfs.vfat -F 32 -n " + c.label + " --offset 2048 " + image +
                              " 39936 >/dev/null";
        if (c.archive)
            command += " && echo archive > " + image + ".q && MTOOLS_SKIP_CHECK=1 mcopy -i " +
                       image + "@@1M " + image + ".q ::/quelix";
        ASSERT_EQ(qo::test::Shell(command + " && echo ok"), "ok\n") << c.label;
        const DiskReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
            return ReadDiskBytes(image, offset, bytes.data(), bytes.size());
        };
        size_t volume = 9;
        const std::vector<Volume> volumes = {{"x0", 0}, {"x1", 1 << 20}};
        EXPECT_EQ(WipingMediumSign(read, volumes, volume), c.sign) << c.label;
        if (*c.sign) {
            EXPECT_EQ(volume, 1u);
        }
        EXPECT_TRUE(HoldsFat(read, 1 << 20));
        EXPECT_FALSE(HoldsFat(read, 0));  // the partition table
    }
    EXPECT_TRUE(IsMediumMarker("Quelix Omnisweep wiping environment\r\n"));
    EXPECT_FALSE(IsMediumMarker("Debian GNU/Linux 12 \"Bookworm\" - Official amd64 NETINST"));
}

}  // namespace
}  // namespace wiper
