// Files and folders on Linux.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>

#include "platform/posix/write_all.h"

namespace platform {
namespace {

std::string Narrow(WStringView path) {
    return ToUtf8(path);
}

// Closes a descriptor when it goes out of scope.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

// Reads XDG_DOCUMENTS_DIR from the user-dirs file ("$HOME/Documents" form).
bool DocumentsFromUserDirs(const std::string& home, std::string& out) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string file =
        (config && *config ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    std::ifstream in(file);
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0 || line.back() != '"')
            continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (value.empty() || value[0] != '/')
            return false;
        out = value;
        return true;
    }
    return false;
}

// Tries <prefix><hex>.tmp names in folder, from a number that differs per
// call, until create makes one; create returns 0 or the errno of its failure.
template <typename Create>
bool CreateUniqueName(WStringView folder, WStringView prefix, WString& path, Create create) {
    const std::string dir = Narrow(folder);
    const std::string pre = Narrow(prefix.substr(0, std::min<size_t>(3, prefix.size())));
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned start = static_cast<unsigned>(now.tv_nsec ^ getpid()) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = ((start + i) & 0xFFFF) ? (start + i) & 0xFFFF : 1;
        char name[16];
        std::snprintf(name, sizeof(name), "%X.tmp", number);
        const std::string candidate = dir + "/" + pre + name;
        const int error = create(candidate);
        if (error == 0) {
            path = FromUtf8(candidate);
            return true;
        }
        if (error != EEXIST)
            return false;
    }
    return false;
}

}  // namespace

WString ProgramFilePath() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size())
        return {};
    buffer.resize(static_cast<size_t>(n));
    return FromUtf8(buffer);
}

WString ProgramFolder() {
    return ParentFolder(ProgramFilePath());
}

WString TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return FromUtf8(folder);
}

bool DocumentsFolder(WString& folder) {
    const char* explicitDir = std::getenv("XDG_DOCUMENTS_DIR");
    if (explicitDir && *explicitDir == '/') {
        folder = FromUtf8(explicitDir);
        return true;
    }
    const char* home = std::getenv("HOME");
    if (!home || *home != '/')
        return false;
    std::string documents;
    if (DocumentsFromUserDirs(home, documents) && IsFolder(FromUtf8(documents))) {
        folder = FromUtf8(documents);
    } else {
        folder = FromUtf8(home);
    }
    return true;
}

bool CreateUniqueTempFile(WStringView folder, WStringView prefix, WString& path) {
    return CreateUniqueName(folder, prefix, path, [](const std::string& candidate) {
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno;
        close(fd);
        return 0;
    });
}

bool CreateUniqueFolder(WStringView folder, WStringView prefix, WString& path) {
    return CreateUniqueName(folder, prefix, path, [](const std::string& candidate) {
        return mkdir(candidate.c_str(), 0700) == 0 ? 0 : errno;
    });
}

bool PathExists(WStringView path) {
    struct stat st {};
    return stat(Narrow(path).c_str(), &st) == 0;
}

bool IsLinkPath(WStringView path) {
    struct stat st {};
    return lstat(Narrow(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsFolder(WStringView path) {
    struct stat st {};
    return stat(Narrow(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileSize(WStringView path, uint64_t& size) {
    struct stat st {};
    if (stat(Narrow(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool ListFolder(WStringView folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    const std::string dir = Narrow(folder);
    DIR* d = opendir(dir.c_str());
    if (!d)
        return false;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string full = dir + "/" + name;
        struct stat st {};
        struct stat lst {};
        const bool isLink = lstat(full.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
        const bool isFolder = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entries.push_back({FromUtf8(name), isFolder, isLink});
    }
    closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

bool CreateFolder(WStringView path) {
    if (mkdir(Narrow(path).c_str(), 0755) == 0)
        return true;
    return errno == EEXIST && IsFolder(path);
}

bool CopyOneFile(WStringView from, WStringView to) {
    const std::string src = Narrow(from), dst = Narrow(to);
    Fd in(open(src.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    const mode_t mode = st.st_mode & 07777;
    int fd = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0 && errno == EACCES && unlink(dst.c_str()) == 0) {
        fd = open(dst.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    }
    Fd out(fd);
    if (out.get() < 0)
        return false;
    // The kernel's copy first: no data through user space, and a clone where
    // the file system can share extents. Where it cannot copy between these
    // two files (or the file's content is not its size, as in /proc), nothing
    // was copied yet and the plain loop below does it.
    off_t copied = 0;
    while (st.st_size > 0) {
        const ssize_t n = copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n > 0) {
            copied += n;
            continue;
        }
        if (n == 0 && copied > 0) {
            fchmod(out.get(), mode);
            return close(out.release()) == 0;
        }
        if (copied != 0)
            return false;
        break;
    }
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const ssize_t n = read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        if (!WriteAll(out.get(), buffer.data(), static_cast<size_t>(n)))
            return false;
    }
    fchmod(out.get(), mode);
    return close(out.release()) == 0;
}

bool LinkOrCopyOneFile(WStringView from, WStringView to) {
    const std::string src = Narrow(from), dst = Narrow(to);
    if (unlink(dst.c_str()) != 0 && errno != ENOENT)
        return false;
    // A link to what a symbolic link names, as a copy would read it.
    if (linkat(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    return CopyOneFile(from, to);
}

bool DeleteOneFile(WStringView path) {
    return unlink(Narrow(path).c_str()) == 0;
}

bool RemoveEmptyFolder(WStringView path) {
    return rmdir(Narrow(path).c_str()) == 0;
}

bool ProbeFileAccess(WStringView path) {
    const std::string name = Narrow(path);
    // O_EXCL tells a file created here from one that was there before.
    int fd = open(name.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const bool created = fd >= 0;
    if (!created) {
        if (errno != EEXIST)
            return false;
        fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st {};
        const bool folder = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
        close(fd);
        return !folder;
    }
    close(fd);
    unlink(name.c_str());
    return true;
}

}  // namespace platform
