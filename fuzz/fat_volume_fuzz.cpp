// The FAT volume reader on arbitrary volumes (its kind, free clusters, used
// part, files found by path in folders and read through their cluster
// chains), and the written extent on
// arbitrary disks: the input is the volume's first bytes, and the volume is
// small (kVolumeBytes; zeros after the input). Reads past its end fail, as they
// do on a real disk, so a boot sector that claims a large volume costs a few
// reads, not a pass over a FAT the size it claims.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/written_extent.h"

namespace {

constexpr uint64_t kVolumeBytes = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const wizard::VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        if (offset > kVolumeBytes || bytes.size() > kVolumeBytes - offset)
            return false;
        const size_t copied = offset < size ? std::min<size_t>(bytes.size(), size - offset) : 0;
        if (copied != 0)
            std::memcpy(bytes.data(), data + offset, copied);
        std::fill(bytes.begin() + static_cast<ptrdiff_t>(copied), bytes.end(), 0);
        return true;
    };
    wizard::FatVolume volume;
    uint64_t freeClusters = 0;
    uint64_t used = 0;
    if (wizard::ReadFatVolume(read, volume, freeClusters)) {
        wizard::FatRootHasFile(read, volume, "ldlinux.sys");
        wizard::FatUsedBytes(read, volume, used);
        // A long name in a folder, and an 8.3 one in the root; what is found
        // is read whole (a chain that loops must not be followed for ever).
        uint8_t buffer[1536];
        for (const char* path : {"EFI/BOOT/bootx64.efi", "QUELIX"}) {
            wizard::FatEntry entry;
            if (wizard::FatFindPath(read, volume, path, entry))
                wizard::FatReadFile(read, volume, entry, buffer,
                                    [](std::span<const uint8_t>) { return true; });
        }
    }
    wizard::WrittenExtent(read, kVolumeBytes, used);
    return 0;
}
