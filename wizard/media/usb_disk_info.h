// UsbDiskInfo: one candidate USB volume for a wiping medium, as USB disk
// discovery describes it and the USB drive preparation works on it.
// Plain data owned by WizardSettings::UsbDisks; used on the interface thread,
// or by the build worker while no page runs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace wizard {

// Longest texts (in characters, terminator included) the fields hold.
constexpr size_t kVolumePathChars = 260;
constexpr size_t kVolumeLabelChars = 64;
constexpr size_t kFileSystemChars = 16;
constexpr size_t kSizeTextChars = 64;

// Why a drive must be formatted before it can become a medium.
enum class FormatNeed : int32_t {
    None = 0,              // usable as it is
    NotFat = 1,            // the file system is neither FAT nor FAT32
    TooLittleFree = 2,     // less than kMinFreeKB free
    NoPartitionTable = 3,  // needs a master boot record as well as formatting
};
constexpr uint32_t kMinFreeKB = 15000;

// What tells one disk from another, as the system reports it. A medium put in
// place of another (a stick swapped, an image file renamed onto the path, a
// loop device attached anew) differs in at least one field.
struct DiskIdentity {
    // Linux: the kernel's disk sequence number, new whenever a medium is
    // attached (0 for an image file, or a kernel that has none).
    uint64_t Sequence = 0;
    // Linux: the device number of a disk device, or the file system device of
    // an image file; Windows: the physical drive number.
    uint64_t Device = 0;
    uint64_t Inode = 0;  // Linux: the image file's inode; 0 for a disk device
    uint64_t Bytes = 0;  // the whole disk's (or image file's) size
    platform::WString Serial;
    uint32_t Bus = 0;  // Windows: the storage bus type (7 = USB)
    bool operator==(const DiskIdentity&) const = default;
};

struct UsbDiskInfo {
    // The volume's GUID path (\\?\Volume{GUID}), kept without the trailing
    // backslash.
    platform::WString VolumePath;
    platform::WString VolumeLabel;     // empty if none
    platform::WString FileSystem;      // "FAT32", "NTFS", ...; empty if unknown
    platform::WString CapacityText;    // the volume size as shown in the list
    platform::WString FreeSpaceText;   // the free space as shown in the list
    int32_t DriveLetterIndex = -1;     // 0 = A ...; 2..25 found; -1 = no letter
    int32_t PhysicalDriveNumber = -1;  // n of "\\.\PhysicalDrive%d"; -1 = unknown
    uint32_t TotalKB = 0;              // sectors per cluster * total clusters / 2
    uint32_t FreeKB = 0;               // sectors per cluster * free clusters / 2
    bool HasPartitionTable = false;    // first partition entry starts after offset 0
    bool IsBootable = false;           // "ldlinux.sys" in the drive's root folder
    int32_t FormatNeed = 0;            // a FormatNeed value
    // The volume's first sector on its disk: from the partition table found,
    // or set when a new partition table is written. The FAT32 boot sector's
    // hidden sectors come from it.
    uint64_t PartitionStartSector = 0;
    // The volume's size in bytes (TotalKB is capped at its 32-bit range).
    uint64_t VolumeBytes = 0;
    // Linux: the whole-disk device or the image file holding the volume (a
    // link given for it resolved once); empty on Windows, where
    // PhysicalDriveNumber names the disk.
    platform::WString DevicePath;
    // Linux: the name the drive was given by, when it is a link to DevicePath
    // (messages name both); empty otherwise.
    platform::WString GivenName;
    // The identity of the disk when it was examined: the drive the user
    // confirms. Every write of the USB drive preparation is preceded by a
    // check that the disk still has it.
    DiskIdentity Identity;
};

using UsbDiskList = std::vector<UsbDiskInfo>;

}  // namespace wizard
