// Held files on Linux: an open descriptor (of the file, or of a private
// sealed copy in a memfd), and the file's identity and change times to tell
// whether a path still names the checked file.
#include "updater/verify/held_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "updater/verify/appended_signature.h"

#ifndef MFD_EXEC
#define MFD_EXEC 0x0010U
#endif

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
        case ELOOP:
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
        openedSize_ = other.openedSize_;
        modifiedNs_ = other.modifiedNs_;
        changedNs_ = other.changedNs_;
        copy_ = std::exchange(other.copy_, false);
    }
    return *this;
}

long HeldFile::Open(platform::WStringView path) {
    Close();
    const std::string narrow = platform::ToUtf8(path);
    if (narrow.empty() || narrow.find('\0') != std::string::npos)
        return 87;
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below. A
    // link in the file's place is not followed.
    const int fd = open(narrow.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
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
    openedSize_ = size_;
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
    copy_ = false;
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

bool HeldFile::MakePrivateCopy() {
    if (!IsOpen())
        return false;
    if (copy_)
        return true;
    int copy = memfd_create("installer", MFD_CLOEXEC | MFD_ALLOW_SEALING | MFD_EXEC);
    if (copy < 0 && errno == EINVAL)  // a kernel without MFD_EXEC
        copy = memfd_create("installer", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (copy < 0)
        return false;
    std::vector<char> buffer(size_t{1} << 20);
    uint64_t done = 0;
    while (done < size_) {
        const int64_t n = ReadAt(done, buffer.data(), buffer.size());
        const char* data = buffer.data();
        bool written = n > 0;
        for (int64_t left = n; written && left > 0;) {
            const ssize_t w = write(copy, data, static_cast<size_t>(left));
            written = w > 0 || (w < 0 && errno == EINTR);
            if (w > 0) {
                data += w;
                left -= w;
            }
        }
        if (!written) {
            close(copy);
            return false;
        }
        done += static_cast<uint64_t>(n);
    }
    // From here the copy's bytes can no longer change; only a cut may follow.
    if (fcntl(copy, F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW) != 0) {
        close(copy);
        return false;
    }
    close(static_cast<int>(native_));
    native_ = copy;
    copy_ = true;
    return true;
}

void HeldFile::CutToSignedContent() {
    if (!copy_)
        return;
    const int fd = static_cast<int>(native_);
    uint8_t tail[kSignatureTailBytes] = {};
    AppendedLayout layout;
    if (size_ >= sizeof(tail) &&
        ReadAt(size_ - sizeof(tail), tail, sizeof(tail)) == static_cast<int64_t>(sizeof(tail)) &&
        ParseAppendedLayout(size_, tail, layout) == AppendedLayoutResult::Ok &&
        ftruncate(fd, static_cast<off_t>(layout.contentBytes)) == 0) {
        size_ = layout.contentBytes;
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_SEAL);
}

bool HeldFile::Unchanged(platform::WStringView path) const {
    if (!IsOpen())
        return false;
    const std::string named = platform::ToUtf8(path.empty() ? platform::WStringView(path_) : path);
    struct stat now {};
    if (lstat(named.c_str(), &now) != 0)
        return false;
    return now.st_dev == device_ && now.st_ino == inode_ && S_ISREG(now.st_mode) &&
           static_cast<uint64_t>(now.st_size) == openedSize_ &&
           Nanoseconds(now.st_mtim) == modifiedNs_ && Nanoseconds(now.st_ctim) == changedNs_;
}

}  // namespace updater
