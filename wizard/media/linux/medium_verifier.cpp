#include "wizard/media/linux/medium_verifier.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "platform/files.h"
#include "platform/process.h"
#include "wizard/media/fat_volume_reader.h"
#include "wizard/media/linux/fd_io.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/sha256.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/little_endian.h"
#include "wizard/media/mbr_layout.h"

namespace wizard {
namespace {

using platform::WString;
using platform::WStringView;

constexpr size_t kReadBytes = 256 * 1024;
// The boot loader that the mastering command names with -boot-info-table.
constexpr char kBootInfoTableFile[] = "isolinux/isolinux.bin";
constexpr uint64_t kBootInfoTableStart = 8;
constexpr uint64_t kBootInfoTableEnd = 64;
constexpr uint64_t kIsoBlockBytes = 2048;
constexpr off_t kMaxReportBytes = 64 << 20;

std::string Utf8(WStringView text) {
    return platform::ToUtf8(WString(text));
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// Writes back what the system caches of the medium and drops it, so that what
// follows is read from the medium itself.
void DropCachedData(int fd) {
    struct stat info {};
    fdatasync(fd);
    if (fstat(fd, &info) == 0 && S_ISBLK(info.st_mode))
        ioctl(fd, BLKFLSBUF, 0);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
}

// The regular files below folder, in name order, with their paths from the tree's root.
bool ListTree(const WString& folder, const std::string& prefix, int depth,
              std::vector<TreeFile>& files) {
    std::vector<platform::FolderEntry> entries;
    if (depth > 64 || !platform::ListFolder(folder, entries))
        return false;
    for (const platform::FolderEntry& e : entries) {
        const std::string path = prefix + platform::ToUtf8(e.name);
        if (!e.isFolder)
            files.push_back({path, 0, {}});
        else if (!ListTree(platform::JoinPath(folder, e.name), path + "/", depth + 1, files))
            return false;
    }
    return true;
}

UniqueFd OpenTreeFile(WStringView tree, const std::string& path) {
    return UniqueFd(open(Utf8(platform::JoinPath(tree, platform::FromUtf8(path))).c_str(),
                         O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
}

// The digest the boot loader must have in the image, where -boot-info-table
// wrote into its bytes 8-63: the primary volume descriptor's block (16), the
// file's first block and length, the 32-bit sum of its words from byte 64 on,
// then zeros.
bool BootLoaderDigest(int source, uint64_t size, uint64_t block, std::span<uint8_t> buffer,
                      std::string& digest) {
    Sha256 sha;
    if (size < kBootInfoTableEnd) {
        if (!HashRange(source, 0, size, buffer, sha))
            return false;
        digest = sha.Hex();
        return true;
    }
    uint32_t sum = 0;
    for (uint64_t at = kBootInfoTableEnd; at < size;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - at));
        if (!ReadAt(source, at, buffer.first(n)))
            return false;
        for (size_t i = 0; i < n; i += 4) {
            uint8_t word[4] = {};
            std::memcpy(word, buffer.data() + i, std::min<size_t>(4, n - i));
            sum += LoadLe32(word, 0);
        }
        at += n;
    }
    std::array<uint8_t, kBootInfoTableEnd - kBootInfoTableStart> table{};
    StoreLe32(table.data(), 16);
    StoreLe32(table.data() + 4, static_cast<uint32_t>(block));
    StoreLe32(table.data() + 8, static_cast<uint32_t>(size));
    StoreLe32(table.data() + 12, sum);
    if (!HashRange(source, 0, kBootInfoTableStart, buffer, sha) || !sha.Update(table) ||
        !HashRange(source, kBootInfoTableEnd, size - kBootInfoTableEnd, buffer, sha))
        return false;
    digest = sha.Hex();
    return true;
}

struct Extent {
    uint64_t block = 0;
    uint64_t bytes = 0;
};

// xorriso's report lines "File data lba: XT , START , BLOCKS , SIZE , 'PATH'"
// by path (from the root, without its leading '/').
std::map<std::string, std::vector<Extent>> ParseExtentReport(const std::string& report) {
    std::map<std::string, std::vector<Extent>> files;
    constexpr std::string_view kLead = "File data lba:";
    size_t at = 0;
    while (at < report.size()) {
        const size_t end = std::min(report.find('\n', at), report.size());
        const std::string_view line(report.data() + at, end - at);
        at = end + 1;
        if (line.substr(0, kLead.size()) != kLead)
            continue;
        uint64_t fields[4] = {};
        size_t pos = kLead.size();
        bool ok = true;
        for (uint64_t& field : fields) {
            const size_t comma = line.find(',', pos);
            const std::string number(line.substr(pos, comma - pos));
            ok = ok && comma != std::string_view::npos &&
                 number.find_first_not_of(" 0123456789") == std::string::npos &&
                 number.find_first_of("0123456789") != std::string::npos;
            if (!ok)
                break;
            field = std::stoull(number);
            pos = comma + 1;
        }
        const size_t open = line.find('\'', pos);
        if (!ok || open == std::string_view::npos || line.back() != '\'' || open + 2 > line.size())
            continue;
        // xorriso writes a quote inside the quoted name as '"'"'.
        std::string path(line.substr(open + 1, line.size() - open - 2));
        for (size_t q = path.find("'\"'\"'"); q != std::string::npos;
             q = path.find("'\"'\"'", q + 1))
            path.replace(q, 5, "'");
        if (!path.empty() && path[0] == '/')
            path.erase(0, 1);
        files[path].push_back({fields[1], fields[3]});
    }
    return files;
}

}  // namespace

MediumVerifier::MediumVerifier(bool verify, WString programFolder)
    : verify_(verify), programFolder_(std::move(programFolder)) {}

bool MediumVerifier::Finish(bool same, const std::string& why, WString& out) {
    report_.verification = same ? Verification::Passed : Verification::Failed;
    report_.failure = same ? std::string() : why;
    if (!same)
        out = u"verification failed: " + platform::FromUtf8(why) + u".";
    return same;
}

bool MediumVerifier::HashTree(BuildContext& build, WStringView tree) {
    buffer_.resize(kReadBytes);
    report_.files.clear();
    if (!ListTree(WString(tree), {}, 0, report_.files))
        return false;
    for (TreeFile& file : report_.files) {
        UniqueFd fd = OpenTreeFile(tree, file.path);
        struct stat info {};
        Sha256 sha;
        if (build.StopRequested() || !fd || fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
            !HashRange(fd.get(), 0, static_cast<uint64_t>(info.st_size), buffer_, sha))
            return false;
        file.size = static_cast<uint64_t>(info.st_size);
        file.sha256 = sha.Hex();
    }
    return true;
}

MediumVerifier::Start MediumVerifier::Begin(BuildContext& build, WStringView tree,
                                            const char16_t* step, int position, WString& why) {
    if (!HashTree(build, tree)) {
        if (!build.StopRequested())
            why = u"cannot read the files written, in '" + WString(tree) + u"'.";
        return Start::Failed;
    }
    if (!verify_)
        return Start::Done;
    if (!build.ReportStep(step, position))
        return Start::Failed;
    if (beforeReadBack)
        beforeReadBack();
    return Start::ReadBack;
}

bool MediumVerifier::CheckUsbDrive(BuildContext& build, Disk& held, const UsbDiskInfo& disk,
                                   WStringView tree, WString& why) {
    const Start start = Begin(build, tree, u"Reading the USB removable disk back...", 97, why);
    if (start != Start::ReadBack)
        return start == Start::Done;
    if (const UniqueFd fd(open(Utf8(held.ToolName()).c_str(), O_RDONLY | O_CLOEXEC)); fd)
        DropCachedData(fd.get());
    std::string reason;
    const bool same = CompareUsbFiles(build, held, disk, reason);
    if (!same && build.StopRequested())
        return false;
    return Finish(same, reason, why);
}

bool MediumVerifier::CompareUsbFiles(BuildContext& build, Disk& held, const UsbDiskInfo& disk,
                                     std::string& why) {
    std::ifstream in(Utf8(platform::JoinPath(programFolder_, u"mbr.bin")), std::ios::binary);
    const std::string code{std::istreambuf_iterator<char>(in), {}};
    MbrSector sector{};
    uint64_t diskBytes = 0;
    if (!held.Read(0, sector) || !held.ReadSize(diskBytes))
        return why = "the drive cannot be read", false;
    if (code.empty() || code.size() > 440 ||
        std::memcmp(code.data(), sector.data(), code.size()) != 0)
        return why = "the master boot record's boot code is not the payload's mbr.bin", false;
    const uint64_t start = disk.PartitionStartSector * kSectorBytes;
    DriveLayout layout;
    const PartitionEntry* partition = nullptr;
    if (DecodeMbr(sector, diskBytes, layout)) {
        for (const PartitionEntry& p : layout.Partitions)
            partition = p.Length != 0 && p.StartingOffset == start ? &p : partition;
    }
    if (partition == nullptr)
        return why = "the partition table has no entry for the volume at sector " +
                     std::to_string(disk.PartitionStartSector),
               false;
    if (!partition->BootIndicator)
        return why = "the volume's partition is not marked active", false;
    const uint64_t length = partition->Length;
    const VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
        return offset + bytes.size() <= length && held.Read(start + offset, bytes);
    };
    FatVolume fat;
    uint64_t freeClusters = 0;
    if (!ReadFatVolume(read, fat, freeClusters) ||
        fat.TotalSectors * fat.BytesPerSector > partition->Length)
        return why = "the volume's partition holds no FAT volume that fits in it", false;
    if (!FatRootHasFile(read, fat, "ldlinux.sys"))
        return why = "ldlinux.sys is missing from the root folder", false;
    for (const TreeFile& file : report_.files) {
        if (build.StopRequested())
            return false;
        FatEntry entry;
        if (!FatFindPath(read, fat, file.path, entry) || entry.IsFolder)
            return why = Quoted(file.path) + " is missing on the drive", false;
        if (entry.Size != file.size)
            return why = Quoted(file.path) + " has " + std::to_string(entry.Size) +
                         " bytes on the drive; " + std::to_string(file.size) + " were written",
                   false;
        Sha256 sha;
        if (!FatReadFile(read, fat, entry, buffer_,
                         [&](std::span<const uint8_t> bytes) { return sha.Update(bytes); }))
            return why = Quoted(file.path) + " cannot be read back from the drive", false;
        if (sha.Hex() != file.sha256)
            return why = Quoted(file.path) + " read back differs from the file written", false;
    }
    return true;
}

bool MediumVerifier::CheckIsoImage(BuildContext& build, WStringView tree, WStringView image,
                                   WString& why) {
    const Start start = Begin(build, tree, u"Reading the ISO image file back...", 95, why);
    if (start != Start::ReadBack)
        return start == Start::Done;
    const UniqueFd fd(open(Utf8(image).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    const UniqueFd out(memfd_create("extent-report", MFD_CLOEXEC));
    if (!fd || !out)
        return Finish(false, "the image cannot be opened", why);
    DropCachedData(fd.get());
    // The image through the descriptor opened here, whatever its name leads to now.
    const WString indev = platform::FromUtf8("stdio:/proc/" + std::to_string(getpid()) + "/fd/" +
                                             std::to_string(fd.get()));
    const WString line = SystemTool("xorriso") +
                         u" -report_about SORRY -return_with SORRY 32 -indev " +
                         QuoteArgument(indev) + u" -find / -type f -exec report_lba --";
    platform::Process tool;
    platform::Process::Extras extras;
    extras.output = out.get();
    const long started = build.StartTool(tool, line, {}, extras);
    if (started != 0 || !build.WaitTool(tool))
        return build.StopRequested() ? false : Finish(false, "xorriso cannot be started", why);
    uint32_t code = 1;
    struct stat info {};
    if (!tool.ExitCode(code) || code != 0 || fstat(out.get(), &info) != 0 ||
        info.st_size > kMaxReportBytes)
        return Finish(
            false, "xorriso cannot read the image (exit code " + std::to_string(code) + ")", why);
    std::string report(static_cast<size_t>(info.st_size), '\0');
    if (!ReadAt(out.get(), 0, std::span(reinterpret_cast<uint8_t*>(report.data()), report.size())))
        return Finish(false, "xorriso's report cannot be read", why);
    std::string reason;
    const bool same = CompareIsoFiles(build, fd.get(), report, tree, reason);
    if (!same && build.StopRequested())
        return false;
    return Finish(same, reason, why);
}

bool MediumVerifier::CompareIsoFiles(BuildContext& build, int image, const std::string& report,
                                     WStringView tree, std::string& why) {
    const std::map<std::string, std::vector<Extent>> extents = ParseExtentReport(report);
    for (const TreeFile& file : report_.files) {
        if (build.StopRequested())
            return false;
        const auto found = extents.find(file.path);
        if (found == extents.end())
            return why = Quoted(file.path) + " is missing from the image", false;
        uint64_t bytes = 0;
        for (const Extent& e : found->second)
            bytes += e.bytes;
        if (bytes != file.size)
            return why = Quoted(file.path) + " has " + std::to_string(bytes) +
                         " bytes in the image; " + std::to_string(file.size) + " were written",
                   false;
        Sha256 read;
        bool readable = true;
        for (const Extent& e : found->second)
            readable =
                readable && HashRange(image, e.block * kIsoBlockBytes, e.bytes, buffer_, read);
        std::string expected = file.sha256;
        if (file.path == kBootInfoTableFile) {
            const UniqueFd source = OpenTreeFile(tree, file.path);
            readable = readable && source &&
                       BootLoaderDigest(source.get(), file.size, found->second.front().block,
                                        buffer_, expected);
        }
        if (!readable)
            return why = Quoted(file.path) + " cannot be read back from the image", false;
        if (read.Hex() != expected)
            return why = Quoted(file.path) + " read back differs from the file written", false;
    }
    return true;
}

}  // namespace wizard
