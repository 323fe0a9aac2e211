// Private folders on Linux: checked with lstat and fstat, held by an
// O_DIRECTORY | O_NOFOLLOW descriptor and reached through /proc/self/fd.
#include "platform/private_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace platform {
namespace {

constexpr mode_t kOthersWrite = S_IWGRP | S_IWOTH;

// mkdir -p with mode for what is missing.
void MakeFolders(const std::string& folder, mode_t mode) {
    if (folder.empty() || mkdir(folder.c_str(), mode) == 0 || errno != ENOENT)
        return;
    const size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return;
    MakeFolders(folder.substr(0, slash), mode);
    mkdir(folder.c_str(), mode);
}

FolderRefusal RefusalOf(const struct stat& info) {
    if (!S_ISDIR(info.st_mode))
        return FolderRefusal::NotFolder;
    if (info.st_uid != geteuid())
        return FolderRefusal::OtherOwner;
    if ((info.st_mode & kOthersWrite) != 0)
        return FolderRefusal::OpenToOthers;
    return FolderRefusal::None;
}

std::string ProcPath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace

PrivateFolder::~PrivateFolder() {
    Close();
}

void PrivateFolder::Close() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
    open_ = false;
    path_.clear();
}

FolderRefusal PrivateFolder::Open(WStringView path, bool create) {
    Close();
    const std::string narrow = ToUtf8(path);
    // A relative path would name a folder wherever the program happens to run.
    if (narrow.empty() || narrow.front() != '/' || narrow.find('\0') != std::string::npos)
        return FolderRefusal::Missing;
    if (create)
        MakeFolders(narrow, 0700);
    struct stat named {};
    if (lstat(narrow.c_str(), &named) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FolderRefusal::Missing
                                                   : FolderRefusal::NotHeld;
    if (S_ISLNK(named.st_mode))
        return FolderRefusal::Link;
    if (const FolderRefusal refusal = RefusalOf(named); refusal != FolderRefusal::None)
        return refusal;
    const int fd = open(narrow.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? FolderRefusal::Link : FolderRefusal::NotHeld;
    // What was opened is checked again: the name may have changed since
    // lstat. Files are then reached through the descriptor, which /proc must show.
    struct stat held {};
    struct stat reached {};
    FolderRefusal refusal = fstat(fd, &held) == 0 ? RefusalOf(held) : FolderRefusal::NotHeld;
    if (refusal == FolderRefusal::None &&
        (held.st_dev != named.st_dev || held.st_ino != named.st_ino ||
         stat(ProcPath(fd).c_str(), &reached) != 0 || reached.st_dev != held.st_dev ||
         reached.st_ino != held.st_ino)) {
        refusal = FolderRefusal::NotHeld;
    }
    if (refusal != FolderRefusal::None) {
        close(fd);
        return refusal;
    }
    fd_ = fd;
    path_ = WString(path);
    open_ = true;
    return FolderRefusal::None;
}

WString PrivateFolder::Reach(WStringView name) const {
    if (!open_)
        return {};
    WString reached = FromUtf8(ProcPath(fd_));
    reached += u'/';
    reached += name;
    return reached;
}

WString PrivateTempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && *tmp == '/') {
        struct stat info {};
        if (lstat(tmp, &info) == 0 && RefusalOf(info) == FolderRefusal::None) {
            std::string folder = tmp;
            while (folder.size() > 1 && folder.back() == '/')
                folder.pop_back();
            return FromUtf8(folder);
        }
    }
    if (geteuid() == 0)
        return u"/var/cache/Korvane";
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && *cache == '/')
        return FromUtf8(cache);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home == '/')
        return FromUtf8(std::string(home) + "/.cache");
    return {};
}

}  // namespace platform
