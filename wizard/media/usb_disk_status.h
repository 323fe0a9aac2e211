// The portable rules of USB disk discovery: what the platform found about a
// volume (VolumeFacts) becomes a UsbDiskInfo record with its size texts and
// its FormatNeed. Pure functions; any thread.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// What the platform reports about one candidate volume.
struct VolumeFacts {
    platform::WString VolumePath;  // GUID path (Windows) or device/image path (Linux)
    platform::WString DevicePath;  // Linux: the whole disk or image file; empty on Windows
    platform::WString VolumeLabel;
    platform::WString FileSystem;  // "FAT32", "NTFS", ...; empty if unknown
    uint32_t SectorsPerCluster = 0;
    uint32_t BytesPerSector = 0;
    uint64_t FreeClusters = 0;
    uint64_t TotalClusters = 0;
    int32_t DriveLetterIndex = -1;
    int32_t PhysicalDriveNumber = -1;
    bool HasPartitionTable = false;
    bool IsBootable = false;            // ldlinux.sys in the volume's root
    uint64_t PartitionStartSector = 0;  // the volume's first sector on its disk
    DiskIdentity Identity;              // the disk's identity at discovery
};

// "%d KB", "%.1f MB" or "%.2f GB" for clusters of the given size, computed in
// single precision as the list shows them.
platform::WString SizeText(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint64_t clusters);

// Kilobytes of a byte count, capped at the 32-bit range of TotalKB and FreeKB.
uint32_t ClampedKB(uint64_t bytes);

// The record for facts: sizes, texts and FormatNeed (3 over 1 over 2).
UsbDiskInfo MakeUsbDiskInfo(const VolumeFacts& facts);

}  // namespace wizard
