#include "wizard/media/fat_volume_reader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

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

uint32_t EndOfChain(int bits) {
    return bits == 32 ? 0x0FFFFFF8 : bits == 16 ? 0xFFF8 : 0xFF8;
}

// Follows a cluster chain from its first cluster: every cluster must lie on
// the volume, and a chain that comes back to a cluster it passed (a loop) is
// told apart from a long one in O(1) memory (Brent's method).
class ClusterChain {
  public:
    ClusterChain(FatTable& fat, const FatVolume& v, uint64_t first)
        : fat_(fat), v_(v), cluster_(first), saved_(first) {}
    uint64_t Cluster() const { return cluster_; }
    bool Valid() const { return cluster_ >= 2 && cluster_ < v_.TotalClusters + 2; }
    // Moves to the next cluster. False at the end of the chain (ended set),
    // or when the FAT cannot be read, the chain loops or leaves the volume.
    bool Next(bool& ended) {
        uint32_t next = 0;
        if (!fat_.Entry(cluster_, next))
            return false;
        ended = next >= EndOfChain(v_.FatBits);
        if (ended)
            return false;
        cluster_ = next;
        if (cluster_ == saved_ || !Valid())
            return false;
        if (++steps_ == limit_) {
            saved_ = cluster_;
            limit_ *= 2;
            steps_ = 0;
        }
        return true;
    }

  private:
    FatTable& fat_;
    const FatVolume& v_;
    uint64_t cluster_;
    uint64_t saved_;
    uint64_t steps_ = 0;
    uint64_t limit_ = 1;
};

uint64_t ClusterOffset(const FatVolume& v, uint64_t cluster) {
    return (v.FirstDataSector + (cluster - 2) * v.SectorsPerCluster) * v.BytesPerSector;
}

char16_t Folded(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char16_t x, char16_t y) { return Folded(x) == Folded(y); });
}

// The folder entries of one folder, read a sector at a time; each entry is
// offered with its long name when a valid one precedes it (else its 8.3
// name as "NAME.EXT").
class FolderReader {
  public:
    // What Visit is told of each file and folder: its name and entry.
    using Visit = std::function<bool(std::u16string_view name, const FatEntry& entry)>;

    FolderReader(const VolumeReader& read, const FatVolume& v, const Visit& visit)
        : read_(read), v_(v), visit_(visit) {}

    // Offers the entries of the folder at cluster (0: the root folder) until
    // Visit returns false or the folder ends; false when it cannot be read.
    bool Walk(FatTable& fat, uint64_t cluster) {
        if (cluster == 0 && v_.FatBits != 32) {
            const uint64_t at =
                (v_.ReservedSectors + uint64_t{v_.FatCount} * v_.FatSectors) * v_.BytesPerSector;
            return Sectors(at, uint64_t{v_.RootEntries} * 32);
        }
        ClusterChain chain(fat, v_, cluster == 0 ? v_.RootCluster : cluster);
        for (uint32_t n = 0; n < kMaxRootClusters && chain.Valid(); ++n) {
            const uint64_t clusterBytes = uint64_t{v_.SectorsPerCluster} * v_.BytesPerSector;
            if (!Sectors(ClusterOffset(v_, chain.Cluster()), clusterBytes))
                return false;
            bool ended = false;
            if (done_ || !chain.Next(ended))
                return done_ || ended;
        }
        return false;
    }

  private:
    bool Sectors(uint64_t at, uint64_t bytes) {
        std::array<uint8_t, kMaxSectorBytes> buffer;
        const std::span<uint8_t> sector(buffer.data(), v_.BytesPerSector);
        for (uint64_t done = 0; done < bytes && !done_; done += v_.BytesPerSector) {
            if (!read_(at + done, sector))
                return false;
            const size_t size =
                static_cast<size_t>(std::min<uint64_t>(v_.BytesPerSector, bytes - done));
            for (size_t e = 0; e + 32 <= size && !done_; e += 32)
                Entry(sector.subspan(e, 32));
        }
        return true;
    }

    void Entry(std::span<const uint8_t> e) {
        if (e[0] == 0x00) {
            done_ = true;  // the folder ends here
            return;
        }
        const uint8_t attributes = e[11];
        if (e[0] == 0xE5) {
            longParts_ = 0;
            return;
        }
        if (attributes == 0x0F) {
            LongPart(e);
            return;
        }
        const bool hasLong = longParts_ != 0 && expected_ == 0 && checksum_ == Checksum(e);
        longParts_ = 0;
        if ((attributes & 0x08) != 0)
            return;  // the volume label
        std::u16string_view name;
        std::array<char16_t, 12> shortName{};
        if (hasLong) {
            name = std::u16string_view(longName_.data(), longLength_);
        } else {
            size_t n = 0;
            for (size_t i = 0; i < 11; ++i) {
                if (i == 8 && e[8] != ' ')
                    shortName[n++] = u'.';
                const uint8_t c = i == 0 && e[0] == 0x05 ? 0xE5 : e[i];
                if (c != ' ')
                    shortName[n++] = static_cast<char16_t>(c);
            }
            name = std::u16string_view(shortName.data(), n);
        }
        if (name == u"." || name == u"..")
            return;
        FatEntry entry;
        entry.IsFolder = (attributes & 0x10) != 0;
        entry.FirstCluster =
            uint32_t{LoadLe16(e, 26)} | (v_.FatBits == 32 ? uint32_t{LoadLe16(e, 20)} << 16 : 0);
        entry.Size = entry.IsFolder ? 0 : LoadLe32(e, 28);
        done_ = !visit_(name, entry);
    }

    // One part of a long name: 13 UTF-16 characters, the last part first.
    void LongPart(std::span<const uint8_t> e) {
        const uint8_t sequence = e[0] & 0x1F;
        if ((e[0] & 0x40) != 0) {
            if (sequence == 0 || sequence > 20) {
                longParts_ = 0;
                return;
            }
            longParts_ = sequence;
            checksum_ = e[13];
            longLength_ = 0;
            expected_ = sequence;
        } else if (longParts_ == 0 || sequence == 0 || sequence != expected_ ||
                   e[13] != checksum_) {
            longParts_ = 0;
            return;
        }
        static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        const size_t base = size_t{sequence - 1u} * 13;
        for (size_t i = 0; i < 13; ++i) {
            const char16_t c = LoadLe16(e, kOffsets[i]);
            if (c == 0 || c == 0xFFFF)
                break;
            longName_[base + i] = c;
            longLength_ = std::max(longLength_, base + i + 1);
        }
        --expected_;
    }

    static uint8_t Checksum(std::span<const uint8_t> e) {
        uint8_t sum = 0;
        for (size_t i = 0; i < 11; ++i)
            sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + e[i]);
        return sum;
    }

    const VolumeReader& read_;
    const FatVolume& v_;
    const Visit& visit_;
    bool done_ = false;
    // The long name being gathered: its parts, checksum and the next part expected.
    std::array<char16_t, 20 * 13> longName_{};
    size_t longLength_ = 0;
    uint8_t longParts_ = 0;
    uint8_t expected_ = 0;
    uint8_t checksum_ = 0;
};

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

bool FatFindPath(const VolumeReader& read, const FatVolume& v, std::string_view path,
                 FatEntry& found) {
    FatTable fat(read, v);
    if (!fat.Readable())
        return false;
    FatEntry folder;  // the root
    folder.IsFolder = true;
    std::u16string part;
    bool met = false;
    const FolderReader::Visit visit = [&](std::u16string_view name, const FatEntry& entry) {
        met = SameName(name, part);
        if (met)
            folder = entry;
        return !met;
    };
    while (!path.empty()) {
        const size_t slash = path.find('/');
        part = platform::FromUtf8(std::string(path.substr(0, slash)));
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty())
            continue;
        if (!folder.IsFolder)
            return false;
        met = false;
        // A folder entry that names cluster 0 is the root (as ".." does).
        if (!FolderReader(read, v, visit).Walk(fat, folder.FirstCluster) || !met)
            return false;
    }
    found = folder;
    return true;
}

bool FatReadFile(const VolumeReader& read, const FatVolume& v, const FatEntry& file,
                 std::span<uint8_t> buffer, const FatContentSink& sink) {
    if (file.IsFolder || buffer.empty())
        return false;
    FatTable fat(read, v);
    if (!fat.Readable())
        return false;
    const uint64_t clusterBytes = uint64_t{v.SectorsPerCluster} * v.BytesPerSector;
    uint64_t left = file.Size;
    ClusterChain chain(fat, v, file.FirstCluster);
    while (left > 0) {
        if (!chain.Valid())
            return false;
        // A run of consecutive clusters is read at once, a buffer at a time.
        const uint64_t start = chain.Cluster();
        uint64_t run = clusterBytes;
        bool ended = false, more = false;
        while (run < left && (more = chain.Next(ended)) &&
               chain.Cluster() == start + run / clusterBytes &&
               run + clusterBytes <= std::max<uint64_t>(buffer.size(), clusterBytes))
            run += clusterBytes;
        run = std::min(run, left);
        for (uint64_t done = 0; done < run;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), run - done));
            if (!read(ClusterOffset(v, start) + done, buffer.first(n)) || !sink(buffer.first(n)))
                return false;
            done += n;
        }
        left -= run;
        if (left > 0 && !more)
            return false;  // the chain ends before the file does
    }
    return true;
}

bool FatRootHasFile(const VolumeReader& read, const FatVolume& v, std::string_view name) {
    FatEntry entry;
    return name.find('/') == std::string_view::npos && FatFindPath(read, v, name, entry) &&
           !entry.IsFolder;
}

}  // namespace wizard
