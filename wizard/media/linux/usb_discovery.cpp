#include "wizard/media/linux/usb_discovery.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/mount_table.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/usb_disk_status.h"

namespace wizard {
namespace {

namespace fs = std::filesystem;

std::string ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

fs::path ClassBlock(const LinuxRoots& roots, const std::string& name) {
    return fs::path(roots.sys) / "class" / "block" / name;
}

// The resolved sysfs folder of a block device (the class entry is a link).
fs::path DeviceFolder(const LinuxRoots& roots, const std::string& name) {
    std::error_code error;
    const fs::path resolved = fs::canonical(ClassBlock(roots, name), error);
    return error ? fs::path() : resolved;
}

VolumeReader ReaderAt(int fd, uint64_t base) {
    return [fd, base](uint64_t offset, std::span<uint8_t> bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = pread(fd, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(base + offset + done));
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    };
}

// The file system type and label that libblkid finds at offset.
void ProbeWithBlkid(int fd, uint64_t offset, uint64_t size, VolumeFacts& facts) {
    std::unique_ptr<blkid_struct_probe, void (*)(blkid_probe)> probe(blkid_new_probe(),
                                                                     blkid_free_probe);
    if (!probe || blkid_probe_set_device(probe.get(), fd, static_cast<blkid_loff_t>(offset),
                                         static_cast<blkid_loff_t>(size)) != 0)
        return;
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(probe.get()) != 0)
        return;
    const char* value = nullptr;
    if (blkid_probe_lookup_value(probe.get(), "TYPE", &value, nullptr) == 0 && value) {
        const std::string type = value;
        facts.FileSystem = type == "ntfs"    ? u"NTFS"
                           : type == "exfat" ? u"exFAT"
                                             : platform::FromUtf8(type);
    }
    if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, nullptr) == 0 && value)
        facts.VolumeLabel = platform::FromUtf8(value);
}

// The mount of the partition that starts at startSector, if any.
const MountEntry* FindMount(const LinuxRoots& roots, const std::string& name, uint64_t startSector,
                            const std::vector<MountEntry>& mounts) {
    if (name.empty())
        return nullptr;
    std::string number;
    std::error_code error;
    for (const fs::directory_entry& child :
         fs::directory_iterator(DeviceFolder(roots, name), error)) {
        if (fs::exists(child.path() / "partition") &&
            ReadLine(child.path() / "start") == std::to_string(startSector))
            number = ReadLine(child.path() / "dev");
    }
    if (number.empty() && startSector == 0)
        number = ReadLine(ClassBlock(roots, name) / "dev");
    for (const MountEntry& m : mounts)
        if (!number.empty() && m.DeviceNumber == number)
            return &m;
    return nullptr;
}

bool MountedFacts(const MountEntry& mount, VolumeFacts& facts) {
    struct statvfs info {};
    if (statvfs(mount.MountPoint.c_str(), &info) != 0 || info.f_frsize % 512 != 0)
        return false;
    facts.BytesPerSector = 512;
    facts.SectorsPerCluster = static_cast<uint32_t>(info.f_frsize / 512);
    facts.TotalClusters = info.f_blocks;
    facts.FreeClusters = info.f_bavail;
    const std::string& type = mount.FileSystemType;
    if (type == "vfat" || type == "msdos")
        facts.FileSystem = info.f_blocks >= 65525 ? u"FAT32" : u"FAT";
    else if (type == "ntfs" || type == "ntfs3" || type == "fuseblk")
        facts.FileSystem = u"NTFS";
    else
        facts.FileSystem = platform::FromUtf8(type);
    facts.IsBootable = fs::exists(fs::path(mount.MountPoint) / "ldlinux.sys");
    return true;
}

}  // namespace

bool IsUsbDisk(const LinuxRoots& roots, const std::string& name) {
    if (ReadLine(ClassBlock(roots, name) / "removable") != "1" ||
        fs::exists(ClassBlock(roots, name) / "partition"))
        return false;
    for (const fs::path& part : DeviceFolder(roots, name)) {
        const std::string text = part.string();
        if (text.rfind("usb", 0) == 0)
            return true;
    }
    return false;
}

bool ReadDiskIdentity(const LinuxRoots& roots, const std::string& name, std::string& serial,
                      uint64_t& bytes) {
    const std::string sectors = ReadLine(ClassBlock(roots, name) / "size");
    if (sectors.empty() || sectors.find_first_not_of("0123456789") != std::string::npos)
        return false;
    bytes = std::stoull(sectors) * 512;
    serial.clear();
    const fs::path sys = fs::path(roots.sys);
    for (fs::path folder = DeviceFolder(roots, name);
         !folder.empty() && folder != sys && folder != folder.parent_path();
         folder = folder.parent_path()) {
        if (fs::exists(folder / "serial")) {
            serial = ReadLine(folder / "serial");
            break;
        }
    }
    return true;
}

bool InitUsbDiskInfo(const LinuxRoots& roots, const std::string& path, const std::string& name,
                     UsbDiskInfo& disk, std::string& error) {
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        error = path + ": cannot be read (" + std::string(strerror(errno)) + ")";
        return false;
    }
    VolumeFacts facts;
    facts.DevicePath = platform::FromUtf8(path);
    facts.VolumePath = facts.DevicePath;
    std::string serial;
    if (name.empty()) {
        struct stat info {};
        fstat(fd.get(), &info);
        facts.DiskBytes = static_cast<uint64_t>(info.st_size);
    } else if (!ReadDiskIdentity(roots, name, serial, facts.DiskBytes)) {
        error = path + ": no size in sysfs";
        return false;
    }
    facts.DiskSerial = platform::FromUtf8(serial);
    MbrSector sector{};
    if (!ReaderAt(fd.get(), 0)(0, sector)) {
        // A disk without a readable first sector has no volume at all.
        disk = MakeUsbDiskInfo(facts);
        return true;
    }
    DriveLayout layout;
    uint64_t volumeBytes = facts.DiskBytes;
    if (DecodeMbr(sector, facts.DiskBytes, layout) && !layout.Partitions.empty() &&
        layout.Partitions[0].StartingOffset > 0) {
        facts.HasPartitionTable = true;
        facts.PartitionStartSector = layout.Partitions[0].StartingOffset / kSectorBytes;
        volumeBytes = layout.Partitions[0].Length;
    } else if (!LooksLikeBootSector(sector)) {
        disk = MakeUsbDiskInfo(facts);  // no volume: needs a partition table
        return true;
    }
    const uint64_t offset = facts.PartitionStartSector * kSectorBytes;
    const std::vector<MountEntry> mounts = ReadMountInfo(roots.mountinfo);
    const MountEntry* mount = FindMount(roots, name, facts.PartitionStartSector, mounts);
    FatVolume fat;
    uint64_t freeClusters = 0;
    const VolumeReader read = ReaderAt(fd.get(), offset);
    if (mount != nullptr && MountedFacts(*mount, facts)) {
        facts.VolumePath = platform::FromUtf8(mount->MountPoint);
    } else if (ReadFatVolume(read, fat, freeClusters)) {
        facts.FileSystem = fat.FileSystem;
        facts.VolumeLabel = fat.Label;
        facts.BytesPerSector = fat.BytesPerSector;
        facts.SectorsPerCluster = fat.SectorsPerCluster;
        facts.TotalClusters = fat.TotalClusters;
        facts.FreeClusters = freeClusters;
        facts.IsBootable = FatRootHasFile(read, fat, "ldlinux.sys");
    } else {
        ProbeWithBlkid(fd.get(), offset, volumeBytes, facts);
        facts.BytesPerSector = 512;
        facts.SectorsPerCluster = 1;
        facts.TotalClusters = volumeBytes / 512;
    }
    disk = MakeUsbDiskInfo(facts);
    if (disk.VolumeBytes == 0 || disk.VolumeBytes > volumeBytes)
        disk.VolumeBytes = volumeBytes;
    return true;
}

bool RefreshUsbDisks(const LinuxRoots& roots, UsbDiskList& disks,
                     std::vector<std::string>& unreadable) {
    disks.clear();
    unreadable.clear();
    std::error_code error;
    std::vector<std::string> names;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(roots.sys) / "block", error))
        names.push_back(entry.path().filename().string());
    if (error)
        return false;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!IsUsbDisk(roots, name))
            continue;
        UsbDiskInfo disk;
        std::string why;
        if (InitUsbDiskInfo(roots, roots.dev + "/" + name, name, disk, why))
            disks.push_back(std::move(disk));
        else
            unreadable.push_back(why);
    }
    return true;
}

}  // namespace wizard

namespace wizard {
namespace {

// The whole disk a "major:minor" device belongs to (itself, or the parent of a partition).
std::string WholeDiskOf(const LinuxRoots& roots, const std::string& number) {
    std::error_code error;
    const fs::path folder = fs::canonical(fs::path(roots.sys) / "dev" / "block" / number, error);
    if (error)
        return {};
    if (fs::exists(folder / "partition"))
        return folder.parent_path().filename().string();
    return folder.filename().string();
}

// The disks holding "/" and the running program.
std::vector<std::string> SystemDisks(const LinuxRoots& roots) {
    std::vector<std::string> disks;
    std::error_code error;
    const std::string program = fs::canonical("/proc/self/exe", error).string();
    const MountEntry* root = nullptr;
    const MountEntry* programMount = nullptr;
    const std::vector<MountEntry> mounts = ReadMountInfo(roots.mountinfo);
    for (const MountEntry& m : mounts) {
        if (m.MountPoint == "/")
            root = &m;
        const std::string prefix = m.MountPoint == "/" ? "/" : m.MountPoint + "/";
        if (!error && program.rfind(prefix, 0) == 0 &&
            (programMount == nullptr || m.MountPoint.size() >= programMount->MountPoint.size()))
            programMount = &m;
    }
    for (const MountEntry* m : {root, programMount})
        if (m != nullptr)
            disks.push_back(WholeDiskOf(roots, m->DeviceNumber));
    return disks;
}

}  // namespace

bool OpenUsbTarget(const LinuxRoots& roots, const std::string& target, bool isRoot,
                   UsbDiskInfo& disk, std::string& error) {
    struct stat info {};
    if (stat(target.c_str(), &info) != 0) {
        error = target + ": " + strerror(errno);
        return false;
    }
    // A device is named by its sysfs entry: the device number of a real
    // device, or the name of a file below the /dev root.
    std::string name;
    if (S_ISBLK(info.st_mode)) {
        const std::string number =
            std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
        std::error_code ignored;
        name = fs::canonical(fs::path(roots.sys) / "dev" / "block" / number, ignored)
                   .filename()
                   .string();
    } else if (fs::path(target).parent_path() == fs::path(roots.dev)) {
        name = fs::path(target).filename().string();
    } else if (S_ISREG(info.st_mode)) {
        struct stat self {};
        if (stat("/proc/self/exe", &self) == 0 && self.st_dev == info.st_dev &&
            self.st_ino == info.st_ino) {
            error = target + " is this program, not an image file";
            return false;
        }
        if (info.st_size <= 0) {
            error = target +
                    ": the image file is empty; give it the size of the drive first "
                    "(for example: truncate -s 4G " +
                    target + ")";
            return false;
        }
        return InitUsbDiskInfo(roots, target, {}, disk, error);
    }
    if (name.empty() || !fs::exists(ClassBlock(roots, name))) {
        error = target + " is neither an image file nor a disk device";
        return false;
    }
    if (fs::exists(ClassBlock(roots, name) / "partition")) {
        const std::string parent = DeviceFolder(roots, name).parent_path().filename().string();
        error = target + " is a partition: give the whole disk (" + roots.dev + "/" + parent + ")";
        return false;
    }
    if (!IsUsbDisk(roots, name)) {
        error = target + " is not a removable USB disk";
        return false;
    }
    for (const std::string& system : SystemDisks(roots)) {
        if (system == name) {
            error = target + " holds the running system or this program";
            return false;
        }
    }
    if (!isRoot) {
        error = "Writing to " + target +
                " needs administrator rights: run mediawizard as root (for example with sudo).";
        return false;
    }
    return InitUsbDiskInfo(roots, target, name, disk, error);
}

}  // namespace wizard
