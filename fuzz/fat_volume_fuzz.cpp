// The FAT volume reader on arbitrary volumes, and the written extent on
// arbitrary disks: the input is the first bytes, everything beyond reads as
// zeros.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/written_extent.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const wizard::VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        std::fill(bytes.begin(), bytes.end(), 0);
        if (offset < size)
            std::memcpy(bytes.data(), data + offset,
                        std::min<uint64_t>(bytes.size(), size - offset));
        return true;
    };
    wizard::FatVolume volume;
    uint64_t freeClusters = 0;
    uint64_t used = 0;
    if (wizard::ReadFatVolume(read, volume, freeClusters)) {
        wizard::FatRootHasFile(read, volume, "ldlinux.sys");
        wizard::FatUsedBytes(read, volume, used);
    }
    wizard::WrittenExtent(read, uint64_t{1} << 40, used);
    return 0;
}
