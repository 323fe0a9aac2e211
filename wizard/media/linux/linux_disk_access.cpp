#include "wizard/media/linux/linux_disk_access.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/files.h"
#include "platform/process.h"
#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/mount_table.h"
#include "wizard/media/linux/sorted_volume_copy.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/linux/usb_discovery.h"

namespace wizard {
namespace {

namespace fs = std::filesystem;
using platform::WString;
using platform::WStringView;

std::string Utf8(WStringView text) {
    return platform::ToUtf8(WString(text));
}

bool WriteAll(int fd, uint64_t offset, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, uint64_t offset, std::span<uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
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

bool IsBlockDevice(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISBLK(info.st_mode);
}

// Opens the disk for writing: a device exclusively (the kernel refuses while
// a partition is mounted or otherwise in use), an image file under an
// exclusive advisory lock.
UniqueFd OpenForWriting(const std::string& path) {
    const bool device = IsBlockDevice(path);
    UniqueFd fd(open(path.c_str(), O_RDWR | O_CLOEXEC | (device ? O_EXCL : 0)));
    if (fd && !device && flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return UniqueFd();
    return fd;
}

// "disk@@offset" as mtools names a volume inside a disk.
WString MtoolsImage(const UsbDiskInfo& disk) {
    return QuoteArgument(disk.DevicePath + u"@@" +
                         platform::FromUtf8(std::to_string(disk.PartitionStartSector * 512)));
}

WString Tool(const char* name) {
    for (const char* folder : {"/usr/bin/", "/usr/sbin/", "/bin/", "/sbin/"}) {
        const std::string path = std::string(folder) + name;
        if (access(path.c_str(), X_OK) == 0)
            return platform::FromUtf8(path);
    }
    return platform::FromUtf8(name);
}

class LinuxDisk : public Disk {
  public:
    LinuxDisk(UniqueFd fd, bool device) : fd_(std::move(fd)), device_(device) {}
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
        if (!ReadAll(fd_.get(), 0, sector))
            return false;
        layout = DriveLayout{};
        DecodeMbr(sector, SizeOf(fd_.get()), layout);
        return true;
    }
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        return WriteAll(fd_.get(), offset, bytes);
    }
    bool InitializeMbr(uint32_t signature) override {
        MbrSector sector{};
        return ReadAll(fd_.get(), 0, sector) && EncodeMbr(DriveLayout{signature, {}}, sector) &&
               WriteAll(fd_.get(), 0, sector);
    }
    bool WriteLayout(const DriveLayout& layout) override {
        MbrSector sector{};
        if (!ReadAll(fd_.get(), 0, sector) || !EncodeMbr(layout, sector) ||
            !WriteAll(fd_.get(), 0, sector) || fsync(fd_.get()) != 0)
            return false;
        if (device_)
            ioctl(fd_.get(), BLKRRPART);  // the kernel's view; the build does not need it
        return true;
    }

  private:
    UniqueFd fd_;
    bool device_;
};

class LinuxVolume : public LockedVolume {
  public:
    LinuxVolume(UniqueFd fd, uint64_t offset)
        : fd_(std::make_shared<int>(fd.get())), owned_(std::move(fd)), offset_(offset) {}
    ~LinuxVolume() override { fsync(owned_.get()); }
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        return WriteAll(owned_.get(), offset_ + firstSector * kSectorBytes, bytes);
    }
    std::weak_ptr<int> Descriptor() const { return fd_; }

  private:
    std::shared_ptr<int> fd_;  // expires with the lock
    UniqueFd owned_;
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

std::unique_ptr<Disk> LinuxDiskAccess::OpenDisk(const UsbDiskInfo& disk) {
    const std::string path = Utf8(disk.DevicePath);
    UniqueFd fd;
    const auto held = locked_.find(path);
    if (held != locked_.end()) {
        if (const std::shared_ptr<int> lock = held->second.lock())
            fd = UniqueFd(fcntl(*lock, F_DUPFD_CLOEXEC, 0));
    }
    if (!fd)
        fd = OpenForWriting(path);
    if (!fd)
        return nullptr;
    return std::make_unique<LinuxDisk>(std::move(fd), IsBlockDevice(path));
}

std::unique_ptr<LockedVolume> LinuxDiskAccess::LockVolume(const UsbDiskInfo& disk) {
    const std::string path = Utf8(disk.DevicePath);
    Dismount(path);  // a partition still mounted makes the exclusive open fail
    UniqueFd fd = OpenForWriting(path);
    if (!fd)
        return nullptr;
    auto volume =
        std::make_unique<LinuxVolume>(std::move(fd), disk.PartitionStartSector * kSectorBytes);
    locked_[path] = volume->Descriptor();
    return volume;
}

bool LinuxDiskAccess::IsSameDisk(const UsbDiskInfo& disk, WString& why) {
    const std::string path = Utf8(disk.DevicePath);
    uint64_t bytes = 0;
    std::string serial;
    if (IsBlockDevice(path)) {
        const std::string name = fs::path(path).filename().string();
        if (!IsUsbDisk(roots_, name) || !ReadDiskIdentity(roots_, name, serial, bytes)) {
            why = platform::FromUtf8(path + " is no longer a removable USB disk.");
            return false;
        }
    } else {
        UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
        bytes = fd ? SizeOf(fd.get()) : 0;
    }
    if (bytes != disk.DiskBytes || platform::FromUtf8(serial) != disk.DiskSerial) {
        why = platform::FromUtf8(path +
                                 " changed since it was examined (another disk, or another "
                                 "size): nothing was written.");
        return false;
    }
    return true;
}

bool LinuxDiskAccess::LabelVolume(const UsbDiskInfo& disk, WStringView label) {
    return RunQuietly(Tool("mlabel") + u" -i " + MtoolsImage(disk) + u" " +
                      QuoteArgument(u"::" + WString(label)));
}

WString LinuxDiskAccess::FormatterCommandLine(const UsbDiskInfo& disk, WStringView label) {
    const WString start = platform::FromUtf8(std::to_string(disk.PartitionStartSector));
    WString fixed;
    if (stamp_.time) {
        // The volume serial from the stamp, fixed times in the label's entry.
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08X",
                      static_cast<unsigned>(SerialNumber(stamp_, StampSerial::VolumeSerial)));
        fixed = u" --invariant -i " + platform::FromUtf8(serial);
    }
    return Tool("mkfs.vfat") + u" -I -F 32 -n " + QuoteArgument(label) + fixed + u" -h " + start +
           u" --offset " + start + u" " + QuoteArgument(disk.DevicePath) + u" " +
           platform::FromUtf8(std::to_string(disk.TotalKB));
}

bool LinuxDiskAccess::Dismount(const std::string& path) {
    if (!IsBlockDevice(path))
        return true;
    const std::string name = fs::path(path).filename().string();
    bool none = true;
    for (const MountEntry& m : ReadMountInfo(roots_.mountinfo)) {
        if (IsPartitionOf(fs::path(m.Source).filename().string(), name) &&
            umount2(m.MountPoint.c_str(), 0) != 0)
            none = false;
    }
    return none;
}

bool LinuxDiskAccess::CopyToVolume(const UsbDiskInfo& disk, WStringView folder) {
    // mtools writes the device directly: a drive that is only updated must
    // not stay mounted under the kernel's own view of its file system.
    if (!Dismount(Utf8(disk.DevicePath)))
        return false;
    if (!platform::IsFolder(folder))
        return false;
    for (const VolumeCopyCommand& command :
         SortedVolumeCopy(folder, Tool("mmd"), Tool("mcopy"), MtoolsImage(disk))) {
        if (!RunQuietly(command.commandLine) && command.mustSucceed)
            return false;
    }
    return true;
}

WString LinuxDiskAccess::InstallerCommandLine(const UsbDiskInfo& disk, WStringView programFolder) {
    const WString installer = platform::JoinPath(programFolder, u"syslinux");
    if (!platform::PathExists(installer))
        return {};
    return QuoteArgument(installer) + u" --install --offset " +
           platform::FromUtf8(std::to_string(disk.PartitionStartSector * 512)) + u" " +
           QuoteArgument(disk.DevicePath);
}

bool LinuxDiskAccess::FinishBootLoader(const UsbDiskInfo& disk, WStringView programFolder) {
    // What "syslinux -m -a" does on Windows: the boot code of the payload's
    // mbr.bin, and the volume's partition marked active.
    std::ifstream in(Utf8(platform::JoinPath(programFolder, u"mbr.bin")), std::ios::binary);
    const std::string code{std::istreambuf_iterator<char>(in), {}};
    if (code.empty() || code.size() > 440)
        return false;
    UniqueFd fd = OpenForWriting(Utf8(disk.DevicePath));
    MbrSector sector{};
    if (!fd || !ReadAll(fd.get(), 0, sector))
        return false;
    DriveLayout layout;
    if (!DecodeMbr(sector, SizeOf(fd.get()), layout))
        return false;
    bool found = false;
    for (PartitionEntry& p : layout.Partitions) {
        p.BootIndicator = p.Length != 0 && p.StartingOffset == disk.PartitionStartSector * 512;
        found = found || p.BootIndicator;
    }
    std::copy(code.begin(), code.end(), sector.begin());
    return found && EncodeMbr(layout, sector) && WriteAll(fd.get(), 0, sector) &&
           fsync(fd.get()) == 0;
}

bool LinuxDiskAccess::VolumeHasFile(const UsbDiskInfo& disk, WStringView name) {
    UniqueFd fd(open(Utf8(disk.DevicePath).c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return false;
    const uint64_t base = disk.PartitionStartSector * kSectorBytes;
    const VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return ReadAll(fd.get(), base + offset, bytes);
    };
    FatVolume volume;
    uint64_t freeClusters = 0;
    return ReadFatVolume(read, volume, freeClusters) && FatRootHasFile(read, volume, Utf8(name));
}

}  // namespace wizard
