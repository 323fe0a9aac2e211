#include "wizard/media/linux/usb_discovery.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/disk_identity.h"
#include "wizard/media/linux/fd_io.h"
#include "wizard/media/linux/mount_table.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/mbr_layout.h"
#include "wizard/media/usb_disk_status.h"

namespace wizard {
namespace {

namespace fs = std::filesystem;

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
        return ReadAt(fd, base + offset, bytes);
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
            ReadFirstLine(child.path() / "start") == std::to_string(startSector))
            number = ReadFirstLine(child.path() / "dev");
    }
    if (number.empty() && startSector == 0)
        number = ReadFirstLine(ClassBlock(roots, name) / "dev");
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
    // SCSI device type 5: a CD or DVD drive, which is removable too.
    if (ReadFirstLine(ClassBlock(roots, name) / "removable") != "1" ||
        fs::exists(ClassBlock(roots, name) / "partition") ||
        ReadFirstLine(ClassBlock(roots, name) / "device" / "type") == "5")
        return false;
    for (const fs::path& part : DeviceFolder(roots, name)) {
        const std::string text = part.string();
        if (text.rfind("usb", 0) == 0)
            return true;
    }
    return false;
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
    if (!ReadDiskIdentity(roots, fd.get(), facts.Identity)) {
        error = path + ": neither a disk device nor an image file, or its size cannot be read";
        return false;
    }
    const uint64_t diskBytes = facts.Identity.Bytes;
    std::array<uint8_t, 2 * kSectorBytes> start{};
    const std::span<const uint8_t> sector = std::span(start).first(kSectorBytes);
    if (!ReadAt(fd.get(), 0, start) || IsGptDisk(sector, std::span(start).subspan(kSectorBytes))) {
        // No readable first sectors: no volume at all. A GUID partition table
        // is not one the drive can keep.
        disk = MakeUsbDiskInfo(facts);
        return true;
    }
    DriveLayout layout;
    uint64_t volumeBytes = diskBytes;
    if (DecodeMbr(sector, diskBytes, layout) && !layout.Partitions.empty() &&
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

// The mount that holds a path: the one with the longest mount point that is
// a prefix of it.
const MountEntry* MountOf(const std::vector<MountEntry>& mounts, const std::string& path) {
    const MountEntry* best = nullptr;
    for (const MountEntry& m : mounts) {
        const std::string prefix = m.MountPoint == "/" ? "/" : m.MountPoint + "/";
        if ((path == m.MountPoint || path.rfind(prefix, 0) == 0) &&
            (best == nullptr || m.MountPoint.size() >= best->MountPoint.size()))
            best = &m;
    }
    return best;
}

// Adds the whole disks under the block device `number` ("major:minor"): its
// own disk, and however devices are stacked, the disks under what it is built
// from (device mapper, LVM and RAID devices: their slaves; a loop device: the
// disk of the file behind it).
void AddDisksUnder(const LinuxRoots& roots, const std::string& number,
                   const std::vector<MountEntry>& mounts, std::set<std::string>& disks,
                   int depth = 0) {
    std::error_code error;
    fs::path whole = fs::canonical(fs::path(roots.sys) / "dev" / "block" / number, error);
    if (error || depth > 16)
        return;
    if (fs::exists(whole / "partition"))
        whole = whole.parent_path();
    if (!disks.insert(whole.filename().string()).second)
        return;
    for (const fs::directory_entry& slave : fs::directory_iterator(whole / "slaves", error))
        AddDisksUnder(roots, ReadFirstLine(slave.path() / "dev"), mounts, disks, depth + 1);
    const std::string backing = ReadFirstLine(whole / "loop" / "backing_file");
    const MountEntry* mount = backing.empty() ? nullptr : MountOf(mounts, backing);
    if (mount != nullptr)
        AddDisksUnder(roots, mount->DeviceNumber, mounts, disks, depth + 1);
}

// The disks holding "/" and the running program.
std::set<std::string> SystemDisks(const LinuxRoots& roots) {
    std::set<std::string> disks;
    const std::vector<MountEntry> mounts = ReadMountInfo(roots.mountinfo);
    std::error_code error;
    const std::string program = fs::canonical("/proc/self/exe", error).string();
    for (const MountEntry* m : {MountOf(mounts, "/"), error ? nullptr : MountOf(mounts, program)})
        if (m != nullptr)
            AddDisksUnder(roots, m->DeviceNumber, mounts, disks);
    return disks;
}

// A block device built on the disk or one of its partitions (device mapper,
// LVM, RAID); empty when there is none.
std::string HolderOf(const LinuxRoots& roots, const std::string& name) {
    const fs::path folder = DeviceFolder(roots, name);
    std::vector<fs::path> parts{folder};
    std::error_code error;
    for (const fs::directory_entry& child : fs::directory_iterator(folder, error))
        if (fs::exists(child.path() / "partition"))
            parts.push_back(child.path());
    for (const fs::path& part : parts)
        for (const fs::directory_entry& holder : fs::directory_iterator(part / "holders", error))
            return holder.path().filename().string();
    return {};
}

}  // namespace

bool OpenUsbTarget(const LinuxRoots& roots, const std::string& target, bool isRoot,
                   UsbDiskInfo& disk, std::string& error) {
    // A link (/dev/disk/by-id/usb-...) is resolved once: everything after
    // works on the device it led to, and messages name both.
    std::error_code failed;
    const std::string path = fs::canonical(target, failed).string();
    if (failed) {
        error = target + ": " + failed.message();
        return false;
    }
    const bool link = fs::absolute(target, failed).lexically_normal() != fs::path(path);
    const std::string shown = link ? target + " (" + path + ")" : target;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = shown + ": " + strerror(errno);
        return false;
    }
    // A device is named by its sysfs entry: the device number of a real
    // device, or the name of a file below the /dev root.
    std::string name;
    if (S_ISBLK(info.st_mode)) {
        name = BlockName(roots, DeviceNumberText(info.st_rdev));
    } else if (fs::path(path).parent_path() == fs::canonical(roots.dev, failed)) {
        name = fs::path(path).filename().string();
    } else if (S_ISREG(info.st_mode)) {
        struct stat self {};
        if (stat("/proc/self/exe", &self) == 0 && self.st_dev == info.st_dev &&
            self.st_ino == info.st_ino) {
            error = shown + " is this program, not an image file";
            return false;
        }
        if (info.st_size <= 0) {
            error = shown +
                    ": the image file is empty; give it the size of the drive first "
                    "(for example: truncate -s 4G " +
                    target + ")";
            return false;
        }
    }
    if (!S_ISREG(info.st_mode) || !name.empty()) {
        if (name.empty() || !fs::exists(ClassBlock(roots, name))) {
            error = shown + " is neither an image file nor a disk device";
            return false;
        }
        if (fs::exists(ClassBlock(roots, name) / "partition")) {
            const std::string parent = DeviceFolder(roots, name).parent_path().filename().string();
            error =
                shown + " is a partition: give the whole disk (" + roots.dev + "/" + parent + ")";
            return false;
        }
        if (!IsUsbDisk(roots, name)) {
            error = shown + " is not a removable USB disk";
            return false;
        }
        if (SystemDisks(roots).count(name) != 0) {
            error = shown + " holds the running system or this program";
            return false;
        }
        const std::string holder = HolderOf(roots, name);
        if (!holder.empty()) {
            error = shown + " is in use by " + holder +
                    " (a device mapper, LVM or RAID device built on it)";
            return false;
        }
        if (!isRoot) {
            error = "Writing to " + shown +
                    " needs administrator rights: run mediawizard as root (for example with "
                    "sudo).";
            return false;
        }
    }
    if (!InitUsbDiskInfo(roots, path, name, disk, error))
        return false;
    if (link)
        disk.GivenName = platform::FromUtf8(target);
    return true;
}

}  // namespace wizard
