#include "wizard/media/win32/win32_disk_access.h"

#include <windows.h>
#include <winioctl.h>

#include <vector>

#include "platform/files.h"
#include "platform/win32/wide.h"
#include "wizard/media/system_disks.h"
#include "wizard/media/win32/usb_discovery_win32.h"
#include "wizard/media/win32/win32_handle.h"

namespace wizard {
namespace {

using platform::WString;
using platform::WStringView;

WString DriveRoot(const UsbDiskInfo& disk) {
    if (disk.DriveLetterIndex < 2 || disk.DriveLetterIndex > 25)
        return {};
    return WString(1, static_cast<char16_t>(u'A' + disk.DriveLetterIndex)) + u":";
}

bool WriteAt(HANDLE h, uint64_t offset, std::span<const uint8_t> bytes) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(h, at, nullptr, FILE_BEGIN) &&
           WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

const char16_t kReplaced[] =
    u"the USB removable disk was replaced or removed since it was selected: nothing more was "
    u"written.";

// Whether the disk a handle reaches has the identity.
bool HandleShows(HANDLE h, const DiskIdentity& identity, WString& why) {
    DiskIdentity now;
    if (ReadDiskIdentity(h, now) && now == identity)
        return true;
    why = kReplaced;
    return false;
}

class Win32Disk : public Disk {
  public:
    Win32Disk(WinHandle h, const UsbDiskInfo& disk)
        : h_(std::move(h)), identity_(disk.Identity), number_(disk.PhysicalDriveNumber) {}
    bool IsSame(WString& why) override { return HandleShows(h_.get(), identity_, why); }
    WString ToolName() const override {
        return u"\\\\.\\PhysicalDrive" + platform::FromUtf8(std::to_string(number_));
    }
    bool ReadSize(uint64_t& bytes) override {
        GET_LENGTH_INFORMATION length{};
        DWORD returned = 0;
        if (!DeviceIoControl(h_.get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                             sizeof(length), &returned, nullptr))
            return false;
        bytes = static_cast<uint64_t>(length.Length.QuadPart);
        return true;
    }
    bool Read(uint64_t offset, std::span<uint8_t> bytes) override {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD read = 0;
        return SetFilePointerEx(h_.get(), at, nullptr, FILE_BEGIN) &&
               ReadFile(h_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
               read == bytes.size();
    }
    bool ReadGeometry(DiskGeometry& g) override {
        DISK_GEOMETRY geometry{};
        DWORD returned = 0;
        if (!DeviceIoControl(h_.get(), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry,
                             sizeof(geometry), &returned, nullptr))
            return false;
        g.Cylinders = static_cast<uint64_t>(geometry.Cylinders.QuadPart);
        g.TracksPerCylinder = geometry.TracksPerCylinder;
        g.SectorsPerTrack = geometry.SectorsPerTrack;
        g.BytesPerSector = geometry.BytesPerSector;
        return true;
    }
    bool ReadLayout(DriveLayout& layout) override {
        alignas(8) BYTE buffer[1024] = {};
        DWORD returned = 0;
        layout = DriveLayout{};
        classic_ = DeviceIoControl(h_.get(), IOCTL_DISK_GET_DRIVE_LAYOUT, nullptr, 0, buffer,
                                   sizeof(buffer), &returned, nullptr) != 0;
        if (classic_) {
            const auto* l = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION*>(buffer);
            layout.Signature = l->Signature;
            const DWORD count = std::min<DWORD>(l->PartitionCount, 4);
            for (DWORD i = 0; i < count; ++i)
                layout.Partitions.push_back(Entry(l->PartitionEntry[i]));
            return true;
        }
        if (!DeviceIoControl(h_.get(), IOCTL_DISK_GET_DRIVE_LAYOUT_EX, nullptr, 0, buffer,
                             sizeof(buffer), &returned, nullptr))
            return false;
        const auto* l = reinterpret_cast<const DRIVE_LAYOUT_INFORMATION_EX*>(buffer);
        if (l->PartitionStyle == PARTITION_STYLE_MBR) {
            layout.Signature = l->Mbr.Signature;
            const DWORD count = std::min<DWORD>(l->PartitionCount, 4);
            for (DWORD i = 0; i < count; ++i) {
                const PARTITION_INFORMATION_EX& p = l->PartitionEntry[i];
                PartitionEntry e;
                e.StartingOffset = static_cast<uint64_t>(p.StartingOffset.QuadPart);
                e.Length = static_cast<uint64_t>(p.PartitionLength.QuadPart);
                e.HiddenSectors = p.Mbr.HiddenSectors;
                e.Type = p.Mbr.PartitionType;
                e.BootIndicator = p.Mbr.BootIndicator != FALSE;
                layout.Partitions.push_back(e);
            }
        }
        return true;
    }
    bool Write(uint64_t offset, std::span<const uint8_t> bytes) override {
        return WriteAt(h_.get(), offset, bytes);
    }
    bool InitializeMbr(uint32_t signature) override {
        CREATE_DISK create{};
        create.PartitionStyle = PARTITION_STYLE_MBR;
        create.Mbr.Signature = signature;
        DWORD returned = 0;
        return DeviceIoControl(h_.get(), IOCTL_DISK_CREATE_DISK, &create, sizeof(create), nullptr,
                               0, &returned, nullptr) != 0;
    }
    bool WriteLayout(const DriveLayout& layout) override {
        if (layout.Partitions.size() > 4)
            return false;
        DWORD returned = 0;
        bool written = false;
        if (classic_) {
            alignas(8)
                BYTE buffer[sizeof(DRIVE_LAYOUT_INFORMATION) + 3 * sizeof(PARTITION_INFORMATION)] =
                    {};
            auto* l = reinterpret_cast<DRIVE_LAYOUT_INFORMATION*>(buffer);
            l->PartitionCount = 4;
            l->Signature = layout.Signature;
            for (size_t i = 0; i < 4; ++i) {
                PARTITION_INFORMATION& p = l->PartitionEntry[i];
                p.RewritePartition = TRUE;
                if (i >= layout.Partitions.size() || layout.Partitions[i].Type == 0)
                    continue;
                const PartitionEntry& e = layout.Partitions[i];
                p.StartingOffset.QuadPart = static_cast<LONGLONG>(e.StartingOffset);
                p.PartitionLength.QuadPart = static_cast<LONGLONG>(e.Length);
                p.HiddenSectors = e.HiddenSectors;
                p.PartitionType = e.Type;
                p.BootIndicator = e.BootIndicator;
                p.RecognizedPartition = TRUE;
            }
            written = DeviceIoControl(h_.get(), IOCTL_DISK_SET_DRIVE_LAYOUT, buffer, sizeof(buffer),
                                      nullptr, 0, &returned, nullptr) != 0;
        } else {
            // MBR layouts are written in groups of four entries.
            alignas(8) BYTE buffer[sizeof(DRIVE_LAYOUT_INFORMATION_EX) +
                                   3 * sizeof(PARTITION_INFORMATION_EX)] = {};
            auto* l = reinterpret_cast<DRIVE_LAYOUT_INFORMATION_EX*>(buffer);
            l->PartitionStyle = PARTITION_STYLE_MBR;
            l->PartitionCount = 4;
            l->Mbr.Signature = layout.Signature;
            for (size_t i = 0; i < 4; ++i) {
                PARTITION_INFORMATION_EX& p = l->PartitionEntry[i];
                p.PartitionStyle = PARTITION_STYLE_MBR;
                p.RewritePartition = TRUE;
                if (i >= layout.Partitions.size() || layout.Partitions[i].Type == 0)
                    continue;
                const PartitionEntry& e = layout.Partitions[i];
                p.StartingOffset.QuadPart = static_cast<LONGLONG>(e.StartingOffset);
                p.PartitionLength.QuadPart = static_cast<LONGLONG>(e.Length);
                p.PartitionNumber = static_cast<DWORD>(i + 1);
                p.Mbr.PartitionType = e.Type;
                p.Mbr.BootIndicator = e.BootIndicator;
                p.Mbr.RecognizedPartition = TRUE;
                p.Mbr.HiddenSectors = e.HiddenSectors;
            }
            written = DeviceIoControl(h_.get(), IOCTL_DISK_SET_DRIVE_LAYOUT_EX, buffer,
                                      sizeof(buffer), nullptr, 0, &returned, nullptr) != 0;
        }
        if (written)
            DeviceIoControl(h_.get(), IOCTL_DISK_UPDATE_PROPERTIES, nullptr, 0, nullptr, 0,
                            &returned, nullptr);
        return written;
    }

  private:
    static PartitionEntry Entry(const PARTITION_INFORMATION& p) {
        PartitionEntry e;
        if (p.PartitionType == 0)
            return e;
        e.StartingOffset = static_cast<uint64_t>(p.StartingOffset.QuadPart);
        e.Length = static_cast<uint64_t>(p.PartitionLength.QuadPart);
        e.HiddenSectors = p.HiddenSectors;
        e.Type = p.PartitionType;
        e.BootIndicator = p.BootIndicator != FALSE;
        return e;
    }
    WinHandle h_;
    DiskIdentity identity_;
    int32_t number_;
    bool classic_ = true;
};

class Win32Volume : public LockedVolume {
  public:
    explicit Win32Volume(WinHandle h) : h_(std::move(h)) {}
    bool IsSame(const DiskIdentity& identity, WString& why) override {
        return HandleShows(h_.get(), identity, why);
    }
    ~Win32Volume() override {
        DWORD returned = 0;
        DeviceIoControl(h_.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
    }
    bool WriteSectors(uint64_t firstSector, std::span<const uint8_t> bytes) override {
        return WriteAt(h_.get(), firstSector * kSectorBytes, bytes);
    }

  private:
    WinHandle h_;
};

}  // namespace

std::unique_ptr<Disk> Win32DiskAccess::OpenDisk(const UsbDiskInfo& disk, DiskUse use,
                                                WString& why) {
    why = kReplaced;
    if (disk.PhysicalDriveNumber < 0)
        return nullptr;
    const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(disk.PhysicalDriveNumber);
    WinHandle h = OpenDevice(path.c_str(),
                             use == DiskUse::Write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ);
    if (!h)
        return nullptr;
    auto opened = std::make_unique<Win32Disk>(std::move(h), disk);
    if (!opened->IsSame(why))
        return nullptr;
    why.clear();
    return opened;
}

std::unique_ptr<LockedVolume> Win32DiskAccess::LockVolume(const UsbDiskInfo& disk) {
    WString path = disk.VolumePath;
    if (!path.empty() && path.back() == u'\\')
        path.pop_back();
    WinHandle h = OpenDevice(platform::Wide(path));
    DWORD returned = 0;
    if (!h ||
        !DeviceIoControl(h.get(), FSCTL_LOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr))
        return nullptr;
    if (!DeviceIoControl(h.get(), FSCTL_DISMOUNT_VOLUME, nullptr, 0, nullptr, 0, &returned,
                         nullptr)) {
        DeviceIoControl(h.get(), FSCTL_UNLOCK_VOLUME, nullptr, 0, nullptr, 0, &returned, nullptr);
        return nullptr;
    }
    return std::make_unique<Win32Volume>(std::move(h));
}

bool Win32DiskAccess::Dismount(const Disk&, const UsbDiskInfo&, std::vector<WString>&, WString&) {
    return true;  // the volume lock and format.com /X dismount the volume where needed
}

bool Win32DiskAccess::VolumeStartSector(const UsbDiskInfo& disk, uint64_t& sector) {
    // The volume's own partition, whichever slot of the table it has.
    WString path = disk.VolumePath;
    if (!path.empty() && path.back() == u'\\')
        path.pop_back();
    const WinHandle h = OpenDevice(platform::Wide(path), GENERIC_READ);
    PARTITION_INFORMATION_EX partition{};
    DWORD returned = 0;
    if (!h || !DeviceIoControl(h.get(), IOCTL_DISK_GET_PARTITION_INFO_EX, nullptr, 0, &partition,
                               sizeof(partition), &returned, nullptr))
        return false;
    sector = static_cast<uint64_t>(partition.StartingOffset.QuadPart) / kSectorBytes;
    return true;
}

bool Win32DiskAccess::LabelVolume(const Disk&, const UsbDiskInfo& disk, WStringView label) {
    const WString root = DriveRoot(disk);
    return !root.empty() &&
           SetVolumeLabelW(platform::Wide(root + u"\\"), platform::Wide(WString(label))) != 0;
}

WString Win32DiskAccess::FormatterCommandLine(const Disk&, const UsbDiskInfo& disk,
                                              WStringView label) {
    // From the system folder by its full path: never a format.com that lies
    // in the current folder.
    const WString root = DriveRoot(disk);
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (root.empty() || length == 0 || length >= MAX_PATH)
        return {};
    return u"\"" + platform::JoinPath(platform::FromWide(system), u"format.com") + u"\" " + root +
           u" /Q /Y /X /FS:FAT32 /V:" + WString(label);
}

bool Win32DiskAccess::CopyToVolume(const Disk&, const UsbDiskInfo& disk, WStringView folder) {
    const WString root = DriveRoot(disk);
    return !root.empty() && platform::CopyTree(platform::JoinPath(folder, u"*"), root + u"\\");
}

WString Win32DiskAccess::InstallerCommandLine(const Disk&, const UsbDiskInfo& disk,
                                              WStringView programFolder) {
    // From the program folder, never from the drive, where a foreign copy
    // may have stayed when ours could not be copied.
    const WString root = DriveRoot(disk);
    if (root.empty())
        return {};
    for (const char16_t* folder : {u"flash", u"common"}) {
        const WString installer =
            platform::JoinPath(platform::JoinPath(programFolder, folder), u"syslinux.exe");
        if (platform::PathExists(installer))
            return u"\"" + installer + u"\" -m -a " + root;
    }
    return {};
}

bool Win32DiskAccess::FinishBootLoader(Disk&, const UsbDiskInfo&, WStringView) {
    return true;  // syslinux.exe -m -a wrote the boot code and the active flag
}

bool Win32DiskAccess::VolumeHasFile(Disk&, const UsbDiskInfo& disk, WStringView name) {
    const WString root = DriveRoot(disk);
    return !root.empty() && platform::PathExists(root + u"\\" + WString(name));
}

std::unique_ptr<DiskAccess> MakeSystemDiskAccess() {
    return std::make_unique<Win32DiskAccess>();
}

bool RefreshSystemUsbDisks(UsbDiskList& disks) {
    return RefreshUsbDisks(disks);
}

}  // namespace wizard
