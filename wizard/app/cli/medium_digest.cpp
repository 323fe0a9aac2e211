#include "wizard/app/cli/medium_digest.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "wizard/app/cli/cli_options.h"
#include "wizard/media/linux/fd_io.h"
#include "wizard/media/linux/sha256.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/written_extent.h"

namespace wizard::cli {
namespace {

// SHA-256 of the first length bytes of fd.
bool HashPrefix(int fd, uint64_t length, std::string& digest) {
    std::vector<uint8_t> buffer(1 << 20);
    Sha256 sha;
    if (!HashRange(fd, 0, length, buffer, sha))
        return false;
    digest = sha.Hex();
    return !digest.empty();
}

}  // namespace

bool MediumDigest(const std::string& path, std::string& digest, std::string& error) {
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd || fstat(fd.get(), &info) != 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    uint64_t length = static_cast<uint64_t>(info.st_size);
    if (S_ISBLK(info.st_mode)) {
        uint64_t diskBytes = 0;
        const VolumeReader read = [&](uint64_t offset, std::span<uint8_t> bytes) {
            return ReadAt(fd.get(), offset, bytes);
        };
        if (ioctl(fd.get(), BLKGETSIZE64, &diskBytes) != 0 ||
            !WrittenExtent(read, diskBytes, length)) {
            error = path + " holds no FAT volume in its first partition: no medium to hash";
            return false;
        }
    } else if (!S_ISREG(info.st_mode)) {
        error = path + " is neither a file nor a disk";
        return false;
    }
    if (!HashPrefix(fd.get(), length, digest)) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

int PrintMediumDigest(const std::string& path) {
    std::string digest, error;
    if (!MediumDigest(path, digest, error)) {
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
        return kExitFailed;
    }
    std::printf("%s  %s\n", digest.c_str(), path.c_str());
    std::fflush(stdout);
    return kExitOk;
}

}  // namespace wizard::cli
