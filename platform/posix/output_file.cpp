// Output files on Linux: open(2) with O_TRUNC, write(2) until every byte is
// written, rename(2) to put a finished file in place.
#include "platform/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/posix/write_all.h"

namespace platform {

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Create(WStringView path) {
    Close();
    const std::string narrow = ToUtf8(path);
    if (narrow.empty() || narrow.find('\0') != std::string::npos)
        return false;
    fd_ = open(narrow.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644);
    return fd_ >= 0;
}

bool OutputFile::CreateUnique(WStringView folder, WStringView prefix, WString& path) {
    Close();
    const std::string dir = ToUtf8(folder);
    const std::string pre = ToUtf8(prefix.substr(0, std::min<size_t>(3, prefix.size())));
    if (dir.empty() || dir.find('\0') != std::string::npos || pre.find('\0') != std::string::npos)
        return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const unsigned start = static_cast<unsigned>(now.tv_nsec ^ getpid()) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = ((start + i) & 0xFFFF) ? (start + i) & 0xFFFF : 1;
        char name[16];
        std::snprintf(name, sizeof(name), "%X.tmp", number);
        const std::string candidate = dir + "/" + pre + name;
        // O_EXCL: an existing name, a link included, is never opened.
        fd_ = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0644);
        if (fd_ >= 0) {
            path = FromUtf8(candidate);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t size) {
    return fd_ >= 0 && WriteAll(fd_, data, size);
}

bool OutputFile::Close() {
    if (fd_ < 0)
        return true;
    const int result = close(fd_);
    fd_ = -1;
    return result == 0;
}

bool OutputFile::IsOpen() const {
    return fd_ >= 0;
}

bool MoveFileReplacing(WStringView from, WStringView to) {
    const std::string source = ToUtf8(from);
    const std::string target = ToUtf8(to);
    if (source.empty() || target.empty() || source.find('\0') != std::string::npos ||
        target.find('\0') != std::string::npos)
        return false;
    return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace platform
