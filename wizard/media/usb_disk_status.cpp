#include "wizard/media/usb_disk_status.h"

#include <cstdio>

namespace wizard {
namespace {

bool IsFatName(const platform::WString& name) {
    platform::WString upper;
    for (char16_t c : name)
        upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    return upper == u"FAT" || upper == u"FAT32";
}

}  // namespace

uint32_t ClampedKB(uint64_t bytes) {
    const uint64_t kb = bytes / 1024;
    return kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

platform::WString SizeText(uint32_t sectorsPerCluster, uint32_t bytesPerSector, uint64_t clusters) {
    const float k =
        static_cast<float>(sectorsPerCluster) * static_cast<float>(bytesPerSector) / 1024.0f;
    const float s = k * static_cast<float>(clusters);
    char text[64];
    if (s < 1024.0f)
        std::snprintf(text, sizeof text, "%u KB", static_cast<unsigned>(s));
    else if (s < 1048576.0f)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(s / 1024.0f));
    else
        std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(s / 1024.0f / 1024.0f));
    return platform::FromUtf8(text);
}

UsbDiskInfo MakeUsbDiskInfo(const VolumeFacts& f) {
    UsbDiskInfo d;
    d.VolumePath = f.VolumePath;
    d.DevicePath = f.DevicePath;
    d.VolumeLabel = f.VolumeLabel.substr(0, kVolumeLabelChars - 1);
    d.FileSystem = f.FileSystem.substr(0, kFileSystemChars - 1);
    d.DriveLetterIndex = f.DriveLetterIndex;
    d.PhysicalDriveNumber = f.PhysicalDriveNumber;
    // Bytes and kilobytes in 64 bits: a 2 TiB volume must not wrap to a small one.
    const uint64_t clusterBytes = uint64_t{f.SectorsPerCluster} * f.BytesPerSector;
    d.VolumeBytes = clusterBytes * f.TotalClusters;
    d.TotalKB = ClampedKB(d.VolumeBytes);
    d.FreeKB = ClampedKB(clusterBytes * f.FreeClusters);
    d.CapacityText = SizeText(f.SectorsPerCluster, f.BytesPerSector, f.TotalClusters);
    d.FreeSpaceText = SizeText(f.SectorsPerCluster, f.BytesPerSector, f.FreeClusters);
    d.IsBootable = f.IsBootable && (f.DriveLetterIndex >= 0 || !f.DevicePath.empty());
    d.HasPartitionTable = f.HasPartitionTable;
    d.PartitionStartSector = f.PartitionStartSector;
    d.Identity = f.Identity;
    int32_t need = d.FreeKB < kMinFreeKB ? 2 : 0;
    if (!IsFatName(d.FileSystem))
        need = 1;
    if (!d.HasPartitionTable)
        need = 3;
    d.FormatNeed = need;
    return d;
}

}  // namespace wizard
