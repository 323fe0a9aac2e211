#include "wizard/app/cli/medium_digest.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <openssl/evp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "wizard/app/cli/cli_options.h"
#include "wizard/media/linux/unique_fd.h"
#include "wizard/media/written_extent.h"

namespace wizard::cli {
namespace {

bool ReadAt(int fd, uint64_t offset, std::span<uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// SHA-256 of the first length bytes of fd.
bool HashPrefix(int fd, uint64_t length, std::string& digest) {
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                          EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return false;
    std::vector<uint8_t> buffer(1 << 20);
    for (uint64_t at = 0; at < length;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - at));
        if (!ReadAt(fd, at, std::span(buffer.data(), n)) ||
            EVP_DigestUpdate(context.get(), buffer.data(), n) != 1)
            return false;
        at += n;
    }
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context.get(), value, &size) != 1)
        return false;
    digest.clear();
    for (unsigned int i = 0; i < size; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", value[i]);
        digest += hex;
    }
    return true;
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
