#include "wiper/boot_medium.h"

#include <array>

#include "platform/text.h"
#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/usb_media_builder.h"

namespace wiper {

namespace {

bool ReadFat(const DiskReader& read, uint64_t offset, wizard::FatVolume& volume) {
    std::array<uint8_t, 512> sector{};
    return read(offset, sector) && wizard::ParseFatBootSector(sector, volume);
}

}  // namespace

std::string WipingMediumSign(const DiskReader& read, const std::vector<Volume>& volumes,
                             size_t& volume) {
    for (volume = 0; volume < volumes.size(); ++volume) {
        const uint64_t start = volumes[volume].offset;
        wizard::FatVolume fat;
        if (!ReadFat(read, start, fat))
            continue;
        if (fat.Label == wizard::kUsbVolumeLabel)
            return "volume label " + platform::ToUtf8(fat.Label);
        const wizard::VolumeReader inVolume = [&](uint64_t offset, std::span<uint8_t> bytes) {
            return read(start + offset, bytes);
        };
        if (wizard::FatRootHasFile(inVolume, fat, "quelix"))
            return "configuration archive on the volume";
    }
    return {};
}

bool HoldsFat(const DiskReader& read, uint64_t offset) {
    wizard::FatVolume fat;
    return ReadFat(read, offset, fat);
}

bool IsMediumMarker(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text == "Quelix Omnisweep wiping environment";
}

}  // namespace wiper
