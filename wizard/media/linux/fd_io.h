// Whole reads and writes at an offset of a file descriptor (pread/pwrite
// until done; a signal that interrupts one does not end it). Any thread.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <span>

namespace wizard {

inline bool ReadAt(int fd, uint64_t offset, std::span<uint8_t> bytes) {
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

inline bool WriteAt(int fd, uint64_t offset, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace wizard
