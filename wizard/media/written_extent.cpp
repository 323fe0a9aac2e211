#include "wizard/media/written_extent.h"

#include "wizard/media/mbr_layout.h"

namespace wizard {

bool WrittenExtent(const VolumeReader& disk, uint64_t diskBytes, uint64_t& end) {
    MbrSector sector{};
    DriveLayout layout;
    if (!disk(0, sector) || !DecodeMbr(sector, diskBytes, layout))
        return false;
    for (const PartitionEntry& partition : layout.Partitions) {
        if (partition.Length == 0)
            continue;
        const uint64_t start = partition.StartingOffset;
        const VolumeReader volume = [&](uint64_t offset, std::span<uint8_t> bytes) {
            return offset + bytes.size() <= partition.Length && disk(start + offset, bytes);
        };
        FatVolume fat;
        uint64_t freeClusters = 0, used = 0;
        if (!ReadFatVolume(volume, fat, freeClusters) || !FatUsedBytes(volume, fat, used))
            return false;
        end = start + used;
        return end <= diskBytes;
    }
    return false;
}

}  // namespace wizard
