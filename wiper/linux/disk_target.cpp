#include "wiper/linux/disk_target.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace wiper {
namespace {

// Reads or writes all of size bytes at offset; 0 or the errno value.
int Transfer(int fd, uint8_t* data, size_t size, uint64_t offset, bool write) {
    while (size > 0) {
        const ssize_t n = write ? pwrite(fd, data, size, static_cast<off_t>(offset))
                                : pread(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        size -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return 0;
}

}  // namespace

DiskTarget::DiskTarget(wizard::UniqueFd fd, bool block, bool direct)
    : fd_(std::move(fd)), block_(block), direct_(direct) {}

std::unique_ptr<DiskTarget> DiskTarget::Open(const std::string& path,
                                             const std::string& expectedDevice,
                                             std::string& error) {
    const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW;
    wizard::UniqueFd fd(open(path.c_str(), flags | O_DIRECT | O_EXCL));
    bool direct = true;
    if (!fd && errno == EINVAL) {
        // A file system without O_DIRECT (tmpfs): only files live there.
        fd = wizard::UniqueFd(open(path.c_str(), flags));
        direct = false;
    }
    if (!fd) {
        error = path + ": " + std::strerror(errno);
        if (errno == EBUSY)
            error += " (mounted or in use)";
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) {
        error = path + ": neither a block device nor a file";
        return nullptr;
    }
    const bool block = S_ISBLK(st.st_mode);
    if (block && !direct) {
        error = path + ": the device does not take direct writes";
        return nullptr;
    }
    if (!expectedDevice.empty()) {
        const std::string actual =
            std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
        if (!block || actual != expectedDevice) {
            error = path + " is no longer the drive listed (device " + actual + ", listed " +
                    expectedDevice + ")";
            return nullptr;
        }
    }
    std::unique_ptr<DiskTarget> target(new DiskTarget(std::move(fd), block, direct));
    if (!target->CurrentSize(target->size_)) {
        error = path + ": its size cannot be read";
        return nullptr;
    }
    return target;
}

bool DiskTarget::CurrentSize(uint64_t& size) const {
    if (block_)
        return ioctl(fd_.get(), BLKGETSIZE64, &size) == 0;
    struct stat st {};
    if (fstat(fd_.get(), &st) != 0)
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

int DiskTarget::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    return Transfer(fd_.get(), const_cast<uint8_t*>(data), size, offset, true);
}

int DiskTarget::ReadAt(uint64_t offset, uint8_t* data, size_t size) {
    return Transfer(fd_.get(), data, size, offset, false);
}

int DiskTarget::Flush() {
    return fsync(fd_.get()) == 0 ? 0 : errno;
}

// The descriptor keeps naming the confirmed drive; what can still change under
// it is the size (another program changing a Host Protected Area).
bool DiskTarget::StillSame() {
    uint64_t size = 0;
    return CurrentSize(size) && size == size_;
}

bool DiskTarget::Refresh() {
    return CurrentSize(size_);
}

bool ReadDiskBytes(const std::string& path, uint64_t offset, uint8_t* data, size_t size) {
    wizard::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    return fd && Transfer(fd.get(), data, size, offset, false) == 0;
}

}  // namespace wiper
