// Held files on Linux: an open descriptor, and the file's identity and change
// times to tell whether the path still names the checked file.
#include "updater/verify/held_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

namespace updater {
namespace {

int64_t Nanoseconds(const timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

long OpenError(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return 2;
        case EACCES:
        case EPERM:
            return 5;
        default:
            return 87;
    }
}

}  // namespace

HeldFile::~HeldFile() {
    Close();
}

HeldFile::HeldFile(HeldFile&& other) noexcept {
    *this = std::move(other);
}

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
    if (this != &other) {
        Close();
        native_ = std::exchange(other.native_, -1);
        path_ = std::move(other.path_);
        size_ = other.size_;
        device_ = other.device_;
        inode_ = other.inode_;
        modifiedNs_ = other.modifiedNs_;
        changedNs_ = other.changedNs_;
    }
    return *this;
}

long HeldFile::Open(platform::WStringView path) {
    Close();
    const std::string narrow = platform::ToUtf8(path);
    if (narrow.empty() || narrow.find('\0') != std::string::npos)
        return 87;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    const int fd = open(narrow.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return OpenError(errno);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return 87;
    }
    native_ = fd;
    path_ = platform::WString(path);
    size_ = static_cast<uint64_t>(info.st_size);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    modifiedNs_ = Nanoseconds(info.st_mtim);
    changedNs_ = Nanoseconds(info.st_ctim);
    return 0;
}

void HeldFile::Close() {
    if (native_ >= 0)
        close(static_cast<int>(native_));
    native_ = -1;
    path_.clear();
    size_ = 0;
}

bool HeldFile::IsOpen() const {
    return native_ >= 0;
}

int64_t HeldFile::ReadAt(uint64_t offset, void* buffer, size_t size) const {
    if (!IsOpen())
        return -1;
    for (;;) {
        const ssize_t n =
            pread(static_cast<int>(native_), buffer, size, static_cast<off_t>(offset));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -1;
    }
}

bool HeldFile::Unchanged() const {
    if (!IsOpen())
        return false;
    struct stat now {};
    struct stat held {};
    if (stat(platform::ToUtf8(path_).c_str(), &now) != 0 ||
        fstat(static_cast<int>(native_), &held) != 0) {
        return false;
    }
    return now.st_dev == device_ && now.st_ino == inode_ && held.st_dev == device_ &&
           held.st_ino == inode_ && static_cast<uint64_t>(held.st_size) == size_ &&
           Nanoseconds(held.st_mtim) == modifiedNs_ && Nanoseconds(held.st_ctim) == changedNs_;
}

}  // namespace updater
