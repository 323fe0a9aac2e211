// The Linux registry: one ".reg" text file per hive.
//
// Readers parse the whole file on every call and take no lock: writers never
// change the file in place, they replace it with rename(), so a reader sees
// either the old or the new file. Writers serialize on an flock() of a lock
// file beside the store, re-read the store under the lock, and write a fresh
// copy through a temporary file in the same folder; the temporary files of
// writers killed during a save are removed by the next save.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <utility>

#include "platform/posix/registry_format.h"
#include "platform/posix/write_all.h"
#include "platform/registry.h"

namespace platform {
namespace {

// Larger files are refused rather than read into memory; no value set
// through this class may grow the store beyond it.
constexpr size_t kMaxStoreBytes = 16u << 20;

std::mutex g_pathMutex;
std::array<std::string, 2> g_pathOverride;

size_t HiveIndex(Hive hive) {
    return hive == Hive::CurrentUser ? 0 : 1;
}

WString FullKeyPath(Hive hive, WStringView path) {
    WString full = hive == Hive::CurrentUser ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE";
    if (!path.empty()) {
        full += u'\\';
        full += path;
    }
    return full;
}

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = NonEmptyEnv("HOME");
    if (!home.empty())
        return home;
    std::array<char, 4096> buffer{};
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        home = found->pw_dir != nullptr ? found->pw_dir : "";
    }
    return home;
}

std::string DefaultPath(Hive hive) {
    if (hive == Hive::LocalMachine) {
        // Machine policy of a root (or set-id) process is read from its fixed
        // place only: no other user names the file it comes from.
        const char* fromEnv = geteuid() == 0 ? nullptr : secure_getenv("KORVANE_MACHINE_REGISTRY");
        return fromEnv != nullptr && *fromEnv != '\0' ? fromEnv : "/etc/Korvane/registry.reg";
    }
    // XDG: a relative XDG_CONFIG_HOME is invalid and must be ignored.
    std::string config = NonEmptyEnv("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/')
        config = HomeFolder() + "/.config";
    return config + "/Korvane/registry.reg";
}

long ErrnoResult(int error) {
    return (error == EACCES || error == EPERM || error == EROFS) ? kErrorAccessDenied
                                                                 : kErrorRegistryIoFailed;
}

class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0)
            close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and reports the result (a late write error shows up here).
    int Close() {
        const int rc = close(fd_);
        fd_ = -1;
        return rc;
    }

  private:
    int fd_;
};

// A temporary file that is removed unless it was renamed into place.
class TempFile {
  public:
    explicit TempFile(std::string pattern)
        : path_(std::move(pattern)), fd_(mkostemp(path_.data(), O_CLOEXEC)) {
        if (!fd_.valid())
            path_.clear();
    }
    ~TempFile() {
        if (!path_.empty())
            unlink(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    UniqueFd& fd() { return fd_; }
    const std::string& path() const { return path_; }
    void Release() { path_.clear(); }

  private:
    std::string path_;
    UniqueFd fd_;
};

enum class StoreState { Missing, Good, Bad };

struct Store {
    StoreState state = StoreState::Missing;
    regfile::Document doc;
    struct stat info {};  // of the file, when it exists
};

bool ReadAll(int fd, size_t limit, std::string& out) {
    std::array<char, 65536> chunk{};
    while (true) {
        const ssize_t n = read(fd, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(chunk.data(), static_cast<size_t>(n));
        if (out.size() > limit)
            return false;
    }
}

// Reads and parses the store. A missing file is an empty store; one that is
// there but cannot be read (not a regular file, no permission, too large,
// not well-formed) is Bad: it reads as empty and must not be replaced.
Store LoadStore(const std::string& path) {
    Store store;
    // O_NONBLOCK: a FIFO in place of the store must not hang the caller.
    const UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) {
        store.state = errno == ENOENT ? StoreState::Missing : StoreState::Bad;
        return store;
    }
    std::string bytes;
    store.state = StoreState::Bad;
    if (fstat(fd.get(), &store.info) != 0 || !S_ISREG(store.info.st_mode))
        return store;
    if (!ReadAll(fd.get(), kMaxStoreBytes, bytes))
        return store;
    if (regfile::Parse(bytes, store.doc))
        store.state = StoreState::Good;
    return store;
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; returns 0 or an errno value.
int MakeFolders(const std::string& folder, mode_t mode) {
    if (mkdir(folder.c_str(), mode) == 0 || errno == EEXIST)
        return 0;
    if (errno != ENOENT)
        return errno;
    const std::string parent = ParentFolder(folder);
    if (parent == folder)
        return ENOENT;
    if (const int rc = MakeFolders(parent, mode); rc != 0)
        return rc;
    return (mkdir(folder.c_str(), mode) == 0 || errno == EEXIST) ? 0 : errno;
}

// Writes bytes to path by atomic replace: temporary file in the same folder,
// fsync, rename over the store, fsync of the folder. A replaced file keeps its
// mode and, where permitted, its owner.
long ReplaceFile(const std::string& path, const std::string& bytes, const Store& old,
                 mode_t newMode) {
    TempFile temp(path + ".tmp.XXXXXX");
    if (!temp.fd().valid())
        return ErrnoResult(errno);
    const int fd = temp.fd().get();
    if (old.state != StoreState::Missing) {
        if (fchown(fd, old.info.st_uid, old.info.st_gid) != 0) {
            // Only root may give a file away; anyone else writes it as its owner.
        }
        newMode = old.info.st_mode & 07777;
    }
    if (fchmod(fd, newMode) != 0 || !WriteAll(fd, bytes.data(), bytes.size()) || fsync(fd) != 0 ||
        temp.fd().Close() != 0) {
        return ErrnoResult(errno);
    }
    if (rename(temp.path().c_str(), path.c_str()) != 0)
        return ErrnoResult(errno);
    temp.Release();
    // The new file is in place; a folder that cannot be synced (some file
    // systems refuse) does not undo that.
    const UniqueFd folder(open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid())
        fsync(folder.get());
    return kErrorSuccess;
}

// Removes the temporary files of writers that were killed during a save.
// Called under the lock: every writer makes and renames its temporary file
// while it holds the lock, so any temporary file found now has no writer.
void RemoveStaleTemporaryFiles(const std::string& path) {
    const std::string folder = ParentFolder(path);
    const size_t slash = path.rfind('/');
    const std::string prefix =
        (slash == std::string::npos ? path : path.substr(slash + 1)) + ".tmp.";
    DIR* listing = opendir(folder.c_str());
    if (listing == nullptr)
        return;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
            unlinkat(dirfd(listing), name.c_str(), 0);
    }
    closedir(listing);
}

// A change to the store, applied under the lock. It returns a result; on
// success, changed says whether the file must be written.
using Change = std::function<long(regfile::Document& doc, bool& changed)>;

long UpdateStore(Hive hive, const Change& change) {
    const std::string path = RegistryFilePath(hive);
    const bool user = hive == Hive::CurrentUser;
    if (const int rc = MakeFolders(ParentFolder(path), user ? 0700 : 0755); rc != 0) {
        return ErrnoResult(rc);
    }
    const UniqueFd lock(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY,
                             user ? 0600 : 0644));
    if (!lock.valid())
        return ErrnoResult(errno);
    while (flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return ErrnoResult(errno);
    }
    Store store = LoadStore(path);
    if (store.state == StoreState::Bad)
        return kErrorBadDb;
    bool changed = false;
    if (const long rc = change(store.doc, changed); rc != kErrorSuccess || !changed)
        return rc;
    const std::string bytes = regfile::Serialize(store.doc);
    if (bytes.size() > kMaxStoreBytes)
        return kErrorInvalidParameter;
    RemoveStaleTemporaryFiles(path);
    return ReplaceFile(path, bytes, store, user ? 0600 : 0644);
}

// Key paths as callers give them: relative to the hive, storable names.
bool IsValidSubkeyPath(WStringView path) {
    return path.empty() || regfile::IsStorableKeyPath(path);
}

}  // namespace

std::string RegistryFilePath(Hive hive) {
    {
        const std::lock_guard<std::mutex> guard(g_pathMutex);
        const std::string& path = g_pathOverride[HiveIndex(hive)];
        if (!path.empty())
            return path;
    }
    return DefaultPath(hive);
}

void SetRegistryFilePath(Hive hive, const std::string& path) {
    const std::lock_guard<std::mutex> guard(g_pathMutex);
    g_pathOverride[HiveIndex(hive)] = path;
}

RegistryKey::~RegistryKey() = default;

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : hive_(other.hive_),
      path_(std::move(other.path_)),
      access_(other.access_),
      open_(std::exchange(other.open_, false)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        hive_ = other.hive_;
        path_ = std::move(other.path_);
        access_ = other.access_;
        open_ = std::exchange(other.open_, false);
    }
    return *this;
}

void RegistryKey::Bind(Hive hive, WStringView path, uint32_t access) {
    hive_ = hive;
    path_ = WString(path);
    access_ = access;
    open_ = true;
}

long RegistryKey::Open(Hive hive, WStringView path, uint32_t access) {
    Close();
    if (!IsValidSubkeyPath(path))
        return kErrorInvalidParameter;
    if (!path.empty()) {
        const Store store = LoadStore(RegistryFilePath(hive));
        if (!regfile::KeyExists(store.doc, FullKeyPath(hive, path)))
            return kErrorFileNotFound;
    }
    Bind(hive, path, access);
    return kErrorSuccess;
}

long RegistryKey::Create(Hive hive, WStringView path, uint32_t access) {
    Close();
    if (!IsValidSubkeyPath(path))
        return kErrorInvalidParameter;
    // An existing key opens without the write lock, so a reader without write
    // permission (the machine hive for a normal user) can still create-or-open.
    if (const long rc = Open(hive, path, access); rc != kErrorFileNotFound)
        return rc;
    const WString full = FullKeyPath(hive, path);
    const long rc = UpdateStore(hive, [&](regfile::Document& doc, bool& changed) {
        changed = !regfile::KeyExists(doc, full);
        if (changed)
            regfile::AddSection(doc, full);
        return kErrorSuccess;
    });
    if (rc != kErrorSuccess)
        return rc;
    Bind(hive, path, access);
    return kErrorSuccess;
}

void RegistryKey::Close() {
    open_ = false;
    path_.clear();
    access_ = 0;
}

bool RegistryKey::IsOpen() const {
    return open_;
}

long RegistryKey::Query(WStringView name, uint32_t* type, uint8_t* data, uint32_t* size) const {
    if (!open_)
        return kErrorInvalidHandle;
    if ((access_ & kKeyQueryValue) == 0)
        return kErrorAccessDenied;
    if (data != nullptr && size == nullptr)
        return kErrorInvalidParameter;
    const Store store = LoadStore(RegistryFilePath(hive_));
    const regfile::Section* section = regfile::FindSection(store.doc, FullKeyPath(hive_, path_));
    const regfile::Value* value = section ? regfile::FindValue(*section, name) : nullptr;
    if (value == nullptr)
        return kErrorFileNotFound;
    const auto needed = static_cast<uint32_t>(value->data.size());
    if (type != nullptr)
        *type = value->type;
    if (data != nullptr && *size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    if (data != nullptr)
        std::copy(value->data.begin(), value->data.end(), data);
    if (size != nullptr)
        *size = needed;
    return kErrorSuccess;
}

long RegistryKey::Set(WStringView name, uint32_t type, const uint8_t* data, uint32_t size) {
    if (!open_)
        return kErrorInvalidHandle;
    if ((access_ & kKeySetValue) == 0)
        return kErrorAccessDenied;
    if (!regfile::IsStorableName(name) || (data == nullptr && size != 0)) {
        return kErrorInvalidParameter;
    }
    // Hex takes three characters a byte: such a value could never be stored.
    if (size > kMaxStoreBytes / 3)
        return kErrorInvalidParameter;
    regfile::Value value{WString(name), type, std::vector<uint8_t>(data, data + size)};
    const WString full = FullKeyPath(hive_, path_);
    return UpdateStore(hive_, [&](regfile::Document& doc, bool& changed) {
        changed = regfile::PutValue(regfile::AddSection(doc, full), std::move(value));
        return kErrorSuccess;
    });
}

}  // namespace platform
