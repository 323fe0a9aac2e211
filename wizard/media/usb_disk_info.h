// UsbDiskInfo: one candidate USB volume for a wiping medium, as USB disk
// discovery describes it and the USB drive preparation works on it.
// Plain data owned by WizardSettings::UsbDisks; used on the interface thread,
// or by the build worker while no page runs.
#pragma once

#include <cstdint>
#include <memory>
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
    // Linux: the whole-disk device or the image file holding the volume;
    // empty on Windows, where PhysicalDriveNumber names the disk.
    platform::WString DevicePath;
    // The disk's size and serial at discovery: preparation refuses a disk
    // whose identity changed since.
    uint64_t DiskBytes = 0;
    platform::WString DiskSerial;
    // The volume opened and locked by the USB drive preparation; the deleter
    // unlocks and closes it. Null otherwise.
    std::shared_ptr<void> VolumeHandle;
};

using UsbDiskList = std::vector<UsbDiskInfo>;

}  // namespace wizard
