#include "wizard/media/linux/linux_disk_access.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <shared_mutex>

#include "platform/files.h"
#include "platform/process.h"
#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/disk_identity.h"
#include "wizard/media/linux/fd_io.h"
#include "wizard/media/linux/mount_table.h"
#include "wizard/media/linux/sorted_volume_copy.h"
#include "wizard/media/linux/unique_fd.h"

namespace wizard {
namespace {

using platform::WString;
using platform::WStringView;

std::string Utf8(WStringView text) {
    return platform::ToUtf8(WString(text));
}

uint64_t SizeOf(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0)
        return 0;
    if (S_ISBLK(info.st_mode)) {
        uint64_t bytes = 0;
        return ioctl(fd, BLKGETSIZE64, &bytes) == 0 ? bytes : 0;
    }
    return static_cast<uint64_t>(info.st_size);
}

// "disk@@offset" as mtools names a volume inside a disk.
WString MtoolsImage(const Disk& held, const UsbDiskInfo& disk) {
    return QuoteArgument(held.ToolName() + u"@@" +
                         platform::FromUtf8(std::to_string(disk.PartitionStartSector * 512)));
}

WString Replaced(const UsbDiskInfo& disk) {
    return u"the drive " + DriveName(disk) + u" was replaced or removed; nothing more was written.";
}

// Whether the image file's name still leads to the file with the identity.
bool NameLeadsTo(const std::string& path, const DiskIdentity& identity) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_dev == identity.Device && info.st_ino == identity.Inode;
}

class LinuxDisk : public Disk {
  public:
    LinuxDisk(UniqueFd fd, const UsbDiskInfo& disk, const LinuxRoots& roots)
        : fd_(std::move(fd)), disk_(disk), roots_(roots) {}
    ~LinuxDisk() override {
        if (written_)
            fsync(fd_.get());
        // An exclusive open or a lock ends with its last copy: none may stay
        // in a tool another build is starting.
        const std::unique_lock<std::shared_mutex> copies(platform::DescriptorCopiesLock());
        const UniqueFd closing = std::move(fd_);
    }
    bool IsSame(WString& why) override { return Shows(disk_.Identity, why); }
    // Whether the descriptor (and an image file's name) shows the identity.
    bool Shows(const DiskIdentity& expected, WString& why) {
        DiskIdentity now;
        if (ReadDiskIdentity(roots_, fd_.get(), now) && now == expected &&
            (expected.Inode == 0 || NameLeadsTo(Utf8(disk_.DevicePath), expected)))
            return true;
        why = Replaced(disk_);
        return false;
    }
    WString ToolName() const override {
        const DiskIdentity& identity = disk_.Identity;
        if (identity.Inode == 0 && identity.Sequence != 0) {
            // The name udev gives this very medium: it never leads to another.
            const std::string link =
                roots_.dev + "/disk/by-diskseq/" + std::to_string(identity.Sequence);
            struct stat info {};
            if (stat(link.c_str(), &info) == 0 && S_ISBLK(info.st_mode) &&
                info.st_rdev == identity.Device)
                return platform::FromUtf8(link);
        }
        return platform::FromUtf8("/proc/" + std::to_string(getpid()) + "/fd/" +
                                  std::to_string(fd_.get()));
    }
    bool ReadSize(uint64_t& bytes) override {
        bytes = SizeOf(fd_.get());
        return bytes != 0;
    }
    bool ReadGeometry(DiskGeometry& geometry) override {
        const uint64_t bytes = SizeOf(fd_.get());
        if (bytes == 0)
            return false;
        // Images and USB disks alike get 255 heads and 63 sectors per track:
        // what the kernel reports for a USB disk is made up the same way.
        geometry = ImageGeometry(bytes);
        return true;
    }
    bool ReadLayout(DriveLayout& layout) override {
        MbrSector sector{};
        if (!ReadAt(fd_.get(), 0, sector))
            return false;
        layout = DriveLayout{};
        DecodeMbr(sector, SizeOf(fd_.get()), layout);
        return true;
    }
    bool Read(uint64_t offset, std::span<uint8_t> bytes) override {
        return ReadAt(fd_.get(), offset, bytes);
    }
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        written_ = true;
        return WriteAt(fd_.get(), offset, bytes);
    }
    bool InitializeMbr(uint32_t signature) override {
        MbrSector sector{};
        return Read(0, sector) && EncodeMbr(DriveLayout{signature, {}}, sector) && Write(0, sector);
    }
    bool WriteLayout(const DriveLayout& layout) override {
        MbrSector sector{};
        if (!Read(0, sector) || !EncodeMbr(layout, sector) || !Write(0, sector) ||
            fsync(fd_.get()) != 0)
            return false;
        if (disk_.Identity.Inode == 0)
            ioctl(fd_.get(), BLKRRPART);  // the kernel's view; the build does not need it
        return true;
    }
    int Descriptor() const { return fd_.get(); }

  private:
    UniqueFd fd_;
    UsbDiskInfo disk_;
    LinuxRoots roots_;
    bool written_ = false;
};

class LinuxVolume : public LockedVolume {
  public:
    LinuxVolume(std::unique_ptr<LinuxDisk> disk, uint64_t offset)
        : disk_(std::move(disk)),
          fd_(std::make_shared<int>(disk_->Descriptor())),
          offset_(offset) {}
    bool IsSame(const DiskIdentity& identity, WString& why) override {
        return disk_->Shows(identity, why);
    }
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        return disk_->Write(offset_ + firstSector * kSectorBytes, bytes);
    }
    std::weak_ptr<int> Descriptor() const { return fd_; }

  private:
    std::unique_ptr<LinuxDisk> disk_;
    std::shared_ptr<int> fd_;  // expires with the lock
    uint64_t offset_;
};

}  // namespace

bool IsPartitionOf(const std::string& device, const std::string& disk) {
    if (device.rfind(disk, 0) != 0)
        return false;
    std::string rest = device.substr(disk.size());
    if (rest.empty())
        return true;
    // sdb1; mmcblk0p1 and nvme0n1p1 for disks whose name ends in a digit.
    if (!disk.empty() && std::isdigit(static_cast<unsigned char>(disk.back()))) {
        if (rest[0] != 'p')
            return false;
        rest.erase(0, 1);
    }
    return !rest.empty() && rest.find_first_not_of("0123456789") == std::string::npos;
}

WString QuoteArgument(WStringView text) {
    WString out = u"\"";
    size_t backslashes = 0;
    for (char16_t c : text) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == u'"' ? backslashes * 2 + 1 : backslashes, u'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, u'\\');
    return out + u"\"";
}

WString SystemTool(const char* name) {
    for (const char* folder : {"/usr/bin/", "/usr/sbin/", "/bin/", "/sbin/"}) {
        const std::string path = std::string(folder) + name;
        if (access(path.c_str(), X_OK) == 0)
            return platform::FromUtf8(path);
    }
    return platform::FromUtf8(name);
}

bool RunQuietly(const WString& commandLine) {
    platform::Process process;
    uint32_t code = 1;
    return process.Start(commandLine) == 0 && process.Wait() == platform::WaitResult::Exited &&
           process.ExitCode(code) && code == 0;
}

LinuxDiskAccess::LinuxDiskAccess(LinuxRoots roots, BuildStamp stamp)
    : roots_(std::move(roots)), stamp_(stamp) {
    // mtools checks that a volume's size is a whole number of tracks; ours and
    // mkfs.vfat's need not be.
    setenv("MTOOLS_SKIP_CHECK", "1", 0);
}

WString DriveName(const UsbDiskInfo& disk) {
    if (disk.GivenName.empty() || disk.GivenName == disk.DevicePath)
        return disk.DevicePath;
    return disk.GivenName + u" (" + disk.DevicePath + u")";
}

UniqueFd LinuxDiskAccess::Open(const UsbDiskInfo& disk, DiskUse use, bool shareLock) {
    const std::string path = Utf8(disk.DevicePath);
    const auto locked = locked_.find(path);
    if (shareLock && use == DiskUse::Write && locked != locked_.end()) {
        if (const std::shared_ptr<int> lock = locked->second.lock())
            return UniqueFd(fcntl(*lock, F_DUPFD_CLOEXEC, 0));
    }
    if (disk.Identity.Inode == 0) {
        // A device: opened exclusively for writing, so that the kernel
        // refuses while a partition is mounted or another writer holds it.
        return UniqueFd(
            open(path.c_str(), O_RDWR | O_CLOEXEC | (use == DiskUse::Write ? O_EXCL : 0)));
    }
    UniqueFd& held = images_[path];
    if (!held)
        held = UniqueFd(open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!held)
        return {};
    // A description of its own, reached through the held descriptor (not the
    // name), so that its advisory lock comes and goes with the step.
    UniqueFd fd(open(("/proc/self/fd/" + std::to_string(held.get())).c_str(), O_RDWR | O_CLOEXEC));
    if (fd && use == DiskUse::Write && flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return {};
    return fd;
}

std::unique_ptr<Disk> LinuxDiskAccess::OpenDisk(const UsbDiskInfo& disk, DiskUse use,
                                                WString& why) {
    errno = 0;
    UniqueFd fd = Open(disk, use, true);
    if (!fd) {
        const int error = errno;
        if (use == DiskUse::Write && (error == EBUSY || error == EWOULDBLOCK))
            return nullptr;  // in use: the step's own message says so
        why = error == ENOENT || error == ENXIO || error == ENODEV
                  ? Replaced(disk)
                  : u"the drive " + DriveName(disk) + u" cannot be opened (" +
                        platform::FromUtf8(strerror(error)) + u").";
        return nullptr;
    }
    // A device the system keeps from writes (a write-protect switch, a
    // failing stick, blockdev --setro) opens for writing all the same.
    int readOnly = 0;
    if (use == DiskUse::Write && disk.Identity.Inode == 0 &&
        ioctl(fd.get(), BLKROGET, &readOnly) == 0 && readOnly != 0) {
        why = u"the drive " + DriveName(disk) + u" is read-only.";
        return nullptr;
    }
    auto opened = std::make_unique<LinuxDisk>(std::move(fd), disk, roots_);
    if (!opened->IsSame(why))
        return nullptr;
    return opened;
}

std::unique_ptr<LockedVolume> LinuxDiskAccess::LockVolume(const UsbDiskInfo& disk) {
    {
        // A partition still mounted makes the exclusive open fail.
        std::vector<WString> unmounted;
        WString why;
        const std::unique_ptr<Disk> held = OpenDisk(disk, DiskUse::Tools, why);
        if (held)
            Dismount(*held, disk, unmounted, why);
    }
    UniqueFd fd = Open(disk, DiskUse::Write, false);
    if (!fd)
        return nullptr;
    auto volume =
        std::make_unique<LinuxVolume>(std::make_unique<LinuxDisk>(std::move(fd), disk, roots_),
                                      disk.PartitionStartSector * kSectorBytes);
    locked_[Utf8(disk.DevicePath)] = volume->Descriptor();
    return volume;
}

bool LinuxDiskAccess::Dismount(const Disk& held, const UsbDiskInfo& disk,
                               std::vector<WString>& unmounted, WString& why) {
    // The device the held descriptor reaches, not whatever has the name now.
    struct stat info {};
    if (stat(Utf8(held.ToolName()).c_str(), &info) != 0 || !S_ISBLK(info.st_mode))
        return true;
    const std::string name = BlockName(roots_, DeviceNumberText(info.st_rdev));
    if (name.empty())
        return true;
    // The last mounted first: a mount on top of another goes before it.
    const std::vector<MountEntry> mounts = ReadMountInfo(roots_.mountinfo);
    for (auto m = mounts.rbegin(); m != mounts.rend(); ++m) {
        if (!IsPartitionOf(BlockName(roots_, m->DeviceNumber), name))
            continue;
        const std::string what = m->Source + " (on " + Utf8(DriveName(disk)) + ")";
        if (umount2(m->MountPoint.c_str(), 0) != 0) {
            why = platform::FromUtf8(m->MountPoint + ", where " + what +
                                     " is mounted, is in use and cannot be unmounted: nothing "
                                     "was written. Close the files and windows open on it and "
                                     "run the command again.");
            return false;
        }
        unmounted.push_back(
            platform::FromUtf8("Unmounted " + what + " from " + m->MountPoint + "."));
    }
    return true;
}

bool LinuxDiskAccess::VolumeStartSector(const UsbDiskInfo& disk, uint64_t& sector) {
    // The volume discovery describes is the first partition of the MBR, at
    // the sector it recorded.
    sector = disk.PartitionStartSector;
    return sector != 0;
}

bool LinuxDiskAccess::LabelVolume(const Disk& held, const UsbDiskInfo& disk, WStringView label) {
    return RunQuietly(SystemTool("mlabel") + u" -i " + MtoolsImage(held, disk) + u" " +
                      QuoteArgument(u"::" + WString(label)));
}

WString LinuxDiskAccess::FormatterCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                              WStringView label) {
    const WString start = platform::FromUtf8(std::to_string(disk.PartitionStartSector));
    WString fixed;
    if (stamp_.time) {
        // The volume serial from the stamp, fixed times in the label's entry.
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X",
                      static_cast<unsigned>(SerialNumber(stamp_, StampSerial::VolumeSerial)));
        fixed = u" --invariant -i " + platform::FromUtf8(serial);
    }
    return SystemTool("mkfs.vfat") + u" -I -F 32 -n " + QuoteArgument(label) + fixed + u" -h " +
           start + u" --offset " + start + u" " + QuoteArgument(held.ToolName()) + u" " +
           platform::FromUtf8(std::to_string(disk.TotalKB));
}

bool LinuxDiskAccess::CopyToVolume(const Disk& held, const UsbDiskInfo& disk, WStringView folder) {
    if (!platform::IsFolder(folder))
        return false;
    // Files go on in name order, folder by folder, so the same files always
    // take the same clusters.
    for (const VolumeCopyCommand& command : SortedVolumeCopy(
             folder, SystemTool("mmd"), SystemTool("mcopy"), MtoolsImage(held, disk))) {
        if (!RunQuietly(command.commandLine) && command.mustSucceed)
            return false;
    }
    return true;
}

WString LinuxDiskAccess::InstallerCommandLine(const Disk& held, const UsbDiskInfo& disk,
                                              WStringView programFolder) {
    const WString installer = platform::JoinPath(programFolder, u"syslinux");
    if (!platform::PathExists(installer))
        return {};
    return QuoteArgument(installer) + u" --install --offset " +
           platform::FromUtf8(std::to_string(disk.PartitionStartSector * 512)) + u" " +
           QuoteArgument(held.ToolName());
}

bool LinuxDiskAccess::FinishBootLoader(Disk& held, const UsbDiskInfo& disk,
                                       WStringView programFolder) {
    // What "syslinux -m -a" does on Windows: the boot code of the payload's
    // mbr.bin, and the volume's partition marked active.
    std::ifstream in(Utf8(platform::JoinPath(programFolder, u"mbr.bin")), std::ios::binary);
    const std::string code{std::istreambuf_iterator<char>(in), {}};
    if (code.empty() || code.size() > 440)
        return false;
    MbrSector sector{};
    uint64_t size = 0;
    DriveLayout layout;
    if (!held.Read(0, sector) || !held.ReadSize(size) || !DecodeMbr(sector, size, layout))
        return false;
    bool found = false;
    for (PartitionEntry& p : layout.Partitions) {
        p.BootIndicator = p.Length != 0 && p.StartingOffset == disk.PartitionStartSector * 512;
        found = found || p.BootIndicator;
    }
    std::copy(code.begin(), code.end(), sector.begin());
    return found && EncodeMbr(layout, sector) && held.Write(0, sector);
}

bool LinuxDiskAccess::VolumeHasFile(Disk& held, const UsbDiskInfo& disk, WStringView name) {
    const uint64_t base = disk.PartitionStartSector * kSectorBytes;
    const VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return held.Read(base + offset, bytes);
    };
    FatVolume volume;
    uint64_t freeClusters = 0;
    return ReadFatVolume(read, volume, freeClusters) && FatRootHasFile(read, volume, Utf8(name));
}

}  // namespace wizard
