#include "wizard/media/fat_volume_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "wizard/media/little_endian.h"

namespace wizard {
namespace {

constexpr uint64_t kMaxFatBytes = 64ull << 20;  // 2^24 FAT32 entries and more
constexpr uint32_t kMaxRootClusters = 4096;     // a longer chain is taken as a loop
constexpr uint32_t kMaxSectorBytes = 4096;

bool PowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

platform::WString LabelText(std::span<const uint8_t> b, size_t at) {
    std::string text(reinterpret_cast<const char*>(b.data() + at), 11);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    if (text == "NO NAME")
        return {};
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    return platform::FromUtf8(text);
}

// The first FAT, read through the callback a window at a time, so that no
// FAT is held whole whatever size the boot sector claims.
class FatTable {
  public:
    FatTable(const VolumeReader& read, const FatVolume& v)
        : read_(read),
          bits_(v.FatBits),
          start_(uint64_t{v.ReservedSectors} * v.BytesPerSector),
          bytes_(uint64_t{v.FatSectors} * v.BytesPerSector) {}

    // Whether the FAT is small enough to be read at all.
    bool Readable() const { return bytes_ <= kMaxFatBytes; }

    // The entry of a cluster (end of chain past the FAT's end); false when
    // the FAT cannot be read there.
    bool Entry(uint64_t cluster, uint32_t& entry) {
        const uint64_t at = bits_ == 32   ? cluster * 4
                            : bits_ == 16 ? cluster * 2
                                          : cluster + cluster / 2;
        const uint64_t width = bits_ == 32 ? 4 : 2;
        if (at + width > bytes_) {
            entry = bits_ == 32 ? 0x0FFFFFFF : bits_ == 16 ? 0xFFFF : 0xFFF;
            return true;
        }
        if (!Cover(at, width))
            return false;
        const std::span<const uint8_t> bytes(window_.data() + (at - windowAt_), width);
        if (bits_ == 32)
            entry = LoadLe32(bytes, 0) & 0x0FFFFFFF;
        else if (bits_ == 16)
            entry = LoadLe16(bytes, 0);
        else
            entry = (cluster & 1) ? LoadLe16(bytes, 0) >> 4 : LoadLe16(bytes, 0) & 0xFFFu;
        return true;
    }

    // Counts the free entries of the clusters [first, end); false when the
    // FAT cannot be read. FAT16 and FAT32 entries are counted a window at a
    // time.
    bool CountFree(uint64_t first, uint64_t end, uint64_t& free) {
        if (bits_ == 12) {
            for (uint64_t c = first; c < end; ++c) {
                uint32_t entry = 0;
                if (!Entry(c, entry))
                    return false;
                free += entry == 0 ? 1 : 0;
            }
            return true;
        }
        const uint64_t width = bits_ / 8;
        const uint32_t mask = bits_ == 32 ? 0x0FFFFFFF : 0xFFFF;
        // Entries past the FAT's end read as end of chain: not free.
        end = std::min(end, bytes_ / width);
        for (uint64_t c = first; c < end;) {
            if (!Cover(c * width, width))
                return false;
            const uint64_t inWindow = (windowAt_ + windowSize_ - c * width) / width;
            const uint64_t count = std::min(end - c, inWindow);
            const uint8_t* entry = window_.data() + (c * width - windowAt_);
            for (uint64_t i = 0; i < count; ++i, entry += width) {
                const uint32_t value =
                    width == 4 ? LoadLe32({entry, 4}, 0) : LoadLe16({entry, 2}, 0);
                free += (value & mask) == 0 ? 1 : 0;
            }
            c += count;
        }
        return true;
    }

  private:
    static constexpr uint64_t kWindowBytes = 32 * 1024;

    // Makes the window hold the bytes [at, at + width) of the FAT.
    bool Cover(uint64_t at, uint64_t width) {
        if (windowSize_ != 0 && at >= windowAt_ && at + width <= windowAt_ + windowSize_)
            return true;
        windowAt_ = at - at % kWindowBytes;
        if (at + width > windowAt_ + kWindowBytes)
            windowAt_ = at;  // an entry across the window's end starts the next window
        windowSize_ = static_cast<size_t>(std::min(kWindowBytes, bytes_ - windowAt_));
        if (read_(start_ + windowAt_, std::span(window_.data(), windowSize_)))
            return true;
        windowSize_ = 0;
        return false;
    }

    const VolumeReader& read_;
    int bits_;
    uint64_t start_;
    uint64_t bytes_;
    // Held in the object, so that reading a volume allocates nothing.
    std::array<uint8_t, kWindowBytes> window_;
    size_t windowSize_ = 0;
    uint64_t windowAt_ = 0;
};

std::string ShortName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    std::string ext = name.find('.') == std::string_view::npos
                          ? std::string()
                          : std::string(name.substr(name.find('.') + 1));
    base.resize(8, ' ');
    ext.resize(3, ' ');
    std::string all = base + ext;
    for (char& c : all)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    return all;
}

bool HasEntry(std::span<const uint8_t> entries, const std::string& shortName, bool& ended) {
    for (size_t at = 0; at + 32 <= entries.size(); at += 32) {
        const uint8_t first = entries[at];
        if (first == 0x00) {
            ended = true;
            return false;
        }
        const uint8_t attributes = entries[at + 11];
        if (first == 0xE5 || attributes == 0x0F || (attributes & 0x18) != 0)
            continue;  // deleted, long name, volume label or folder
        if (std::memcmp(entries.data() + at, shortName.data(), 11) == 0)
            return true;
    }
    return false;
}

// Looks for the entry in the folder bytes [at, at + bytes) of the volume,
// read a sector at a time; false when a read fails. found and ended tell
// what was met.
bool FindInSectors(const VolumeReader& read, const FatVolume& v, uint64_t at, uint64_t bytes,
                   const std::string& shortName, bool& found, bool& ended) {
    std::array<uint8_t, kMaxSectorBytes> buffer;
    const std::span<uint8_t> sector(buffer.data(), v.BytesPerSector);
    for (uint64_t done = 0; done < bytes && !found && !ended; done += v.BytesPerSector) {
        if (!read(at + done, sector))
            return false;
        found = HasEntry(
            sector.first(static_cast<size_t>(std::min<uint64_t>(v.BytesPerSector, bytes - done))),
            shortName, ended);
    }
    return true;
}

}  // namespace

bool ParseFatBootSector(std::span<const uint8_t> b, FatVolume& v) {
    if (b.size() < 512 || !((b[0] == 0xEB && b[2] == 0x90) || b[0] == 0xE9))
        return false;
    FatVolume r;
    r.BytesPerSector = LoadLe16(b, 11);
    r.SectorsPerCluster = b[13];
    r.ReservedSectors = LoadLe16(b, 14);
    r.FatCount = b[16];
    r.RootEntries = LoadLe16(b, 17);
    r.TotalSectors = LoadLe16(b, 19) != 0 ? LoadLe16(b, 19) : LoadLe32(b, 32);
    r.FatSectors = LoadLe16(b, 22) != 0 ? LoadLe16(b, 22) : LoadLe32(b, 36);
    if (r.BytesPerSector < 512 || r.BytesPerSector > kMaxSectorBytes ||
        !PowerOfTwo(r.BytesPerSector) || !PowerOfTwo(r.SectorsPerCluster) ||
        r.ReservedSectors == 0 || r.FatCount == 0 || r.FatCount > 4 || r.FatSectors == 0)
        return false;
    const uint64_t rootSectors =
        (uint64_t{r.RootEntries} * 32 + r.BytesPerSector - 1) / r.BytesPerSector;
    r.FirstDataSector = r.ReservedSectors + uint64_t{r.FatCount} * r.FatSectors + rootSectors;
    if (r.TotalSectors <= r.FirstDataSector)
        return false;
    r.TotalClusters = (r.TotalSectors - r.FirstDataSector) / r.SectorsPerCluster;
    r.FatBits = r.TotalClusters < 4085 ? 12 : r.TotalClusters < 65525 ? 16 : 32;
    // The FAT must hold an entry for every cluster.
    const uint64_t fatBytes = uint64_t{r.FatSectors} * r.BytesPerSector;
    if ((r.TotalClusters + 2) * r.FatBits > fatBytes * 8)
        return false;
    if (r.FatBits == 32) {
        if (LoadLe16(b, 22) != 0 || r.RootEntries != 0)
            return false;
        r.RootCluster = LoadLe32(b, 44);
        r.FileSystem = u"FAT32";
        r.Label = b[66] == 0x29 ? LabelText(b, 71) : platform::WString();
    } else {
        if (r.RootEntries == 0)
            return false;
        r.FileSystem = u"FAT";
        r.Label = b[38] == 0x29 ? LabelText(b, 43) : platform::WString();
    }
    v = r;
    return true;
}

bool ReadFatVolume(const VolumeReader& read, FatVolume& v, uint64_t& freeClusters) {
    std::array<uint8_t, 512> sector{};
    if (!read(0, sector) || !ParseFatBootSector(sector, v))
        return false;
    FatTable fat(read, v);
    if (!fat.Readable())
        return false;
    uint64_t free = 0;
    if (!fat.CountFree(2, v.TotalClusters + 2, free))
        return false;
    freeClusters = free;
    return true;
}

bool FatUsedBytes(const VolumeReader& read, const FatVolume& v, uint64_t& bytes) {
    FatTable fat(read, v);
    if (!fat.Readable())
        return false;
    // The last cluster in use ends the used part; the FAT is read backwards a
    // window at a time.
    uint64_t clusters = v.TotalClusters;
    for (; clusters > 0; --clusters) {
        uint32_t entry = 0;
        if (!fat.Entry(clusters + 1, entry))
            return false;
        if (entry != 0)
            break;
    }
    bytes = (v.FirstDataSector + clusters * v.SectorsPerCluster) * v.BytesPerSector;
    return true;
}

bool FatRootHasFile(const VolumeReader& read, const FatVolume& v, std::string_view name) {
    const std::string shortName = ShortName(name);
    bool ended = false;
    bool found = false;
    if (v.FatBits != 32) {
        const uint64_t at =
            (v.ReservedSectors + uint64_t{v.FatCount} * v.FatSectors) * v.BytesPerSector;
        return FindInSectors(read, v, at, uint64_t{v.RootEntries} * 32, shortName, found, ended) &&
               found;
    }
    FatTable fat(read, v);
    if (!fat.Readable())
        return false;
    uint64_t c = v.RootCluster;
    for (uint32_t n = 0; n < kMaxRootClusters && c >= 2 && c < v.TotalClusters + 2; ++n) {
        const uint64_t first = v.FirstDataSector + (c - 2) * v.SectorsPerCluster;
        if (!FindInSectors(read, v, first * v.BytesPerSector,
                           uint64_t{v.SectorsPerCluster} * v.BytesPerSector, shortName, found,
                           ended))
            return false;
        if (found || ended)
            return found;
        uint32_t next = 0;
        if (!fat.Entry(c, next))
            return false;
        c = next;
    }
    return false;
}

}  // namespace wizard
