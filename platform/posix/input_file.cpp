// Input files on Linux: open(2) without following the file into a blocking
// state, fstat to accept regular files only, read(2) in pieces.
#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace platform {

InputFile::~InputFile() {
    Close();
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool InputFile::Open(WStringView path) {
    Close();
    const std::string narrow = ToUtf8(path);
    if (narrow.empty() || narrow.find('\0') != std::string::npos)
        return false;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; such a
    // file is refused below anyway.
    const int fd = open(narrow.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    fd_ = fd;
    size_ = static_cast<uint64_t>(info.st_size);
    return true;
}

void InputFile::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool InputFile::IsOpen() const {
    return fd_ >= 0;
}

int64_t InputFile::Read(void* buffer, size_t size) {
    if (fd_ < 0)
        return -1;
    if (size > SSIZE_MAX)
        size = SSIZE_MAX;
    for (;;) {
        const ssize_t n = read(fd_, buffer, size);
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -1;
    }
}

}  // namespace platform
