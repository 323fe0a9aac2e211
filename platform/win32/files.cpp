// Files and folders on Windows.
#include "platform/files.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "platform/win32/wide.h"

namespace platform {
namespace {

// Closes a find handle when it goes out of scope.
class FindHandle {
  public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE)
            FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE get() const { return h_; }

  private:
    HANDLE h_;
};

DWORD Attributes(WStringView path) {
    return GetFileAttributesW(Wide(WString(path)));
}

}  // namespace

WString ProgramFilePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return {};
        if (n < buffer.size())
            return FromWide(buffer.c_str(), n);
        if (buffer.size() >= 32768)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

WString ProgramFolder() {
    return ParentFolder(ProgramFilePath());
}

WString TempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH)
        return {};
    WString folder = FromWide(buffer, n);
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/'))
        folder.pop_back();
    return folder;
}

bool DocumentsFolder(WString& folder) {
    wchar_t buffer[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, buffer))) {
        return false;
    }
    folder = FromWide(buffer);
    return !folder.empty();
}

bool CreateUniqueTempFile(WStringView folder, WStringView prefix, WString& path) {
    wchar_t buffer[MAX_PATH];
    const WString dir(folder), pre(prefix);
    if (GetTempFileNameW(Wide(dir), Wide(pre), 0, buffer) == 0)
        return false;
    path = FromWide(buffer);
    return true;
}

bool CreateUniqueFolder(WStringView folder, WStringView prefix, WString& path) {
    // The numbers GetTempFileName would try, from one that differs per call;
    // CreateDirectory fails for a name that exists, so none is taken over.
    const WString pre(prefix.substr(0, std::min<size_t>(3, prefix.size())));
    const unsigned start = (GetTickCount() ^ GetCurrentProcessId()) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = ((start + i) & 0xFFFF) ? (start + i) & 0xFFFF : 1;
        wchar_t name[16];
        swprintf(name, 16, L"%X.tmp", number);
        const WString candidate = JoinPath(folder, pre + FromWide(name));
        if (CreateDirectoryW(Wide(candidate), nullptr)) {
            path = candidate;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool PathExists(WStringView path) {
    return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsLinkPath(WStringView path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsFolder(WStringView path) {
    const DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileSize(WStringView path, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(WString(path)), GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool ListFolder(WStringView folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW(Wide(JoinPath(folder, u"*")), &data));
    if (find.get() == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        const WString name = FromWide(data.cFileName);
        if (name == u"." || name == u"..")
            continue;
        entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
    } while (FindNextFileW(find.get(), &data));
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return true;
}

bool CreateFolder(WStringView path) {
    if (CreateDirectoryW(Wide(WString(path)), nullptr))
        return true;
    return GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(path);
}

bool CopyOneFile(WStringView from, WStringView to) {
    const WString src(from), dst(to);
    if (CopyFileW(Wide(src), Wide(dst), FALSE))
        return true;
    // A read-only target is replaced too, as a copy "without questions" does.
    SetFileAttributesW(Wide(dst), FILE_ATTRIBUTE_NORMAL);
    return CopyFileW(Wide(src), Wide(dst), FALSE) != 0;
}

bool LinkOrCopyOneFile(WStringView from, WStringView to) {
    // The Windows program copies, as its builds always did; a hard link
    // (CreateHardLinkW on NTFS) could take this place.
    return CopyOneFile(from, to);
}

bool DeleteOneFile(WStringView path) {
    const WString p(path);
    SetFileAttributesW(Wide(p), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(Wide(p)))
        return true;
    // A junction or folder link is removed as a folder, without touching its target.
    return IsLinkPath(path) && RemoveDirectoryW(Wide(p));
}

bool RemoveEmptyFolder(WStringView path) {
    const WString p(path);
    SetFileAttributesW(Wide(p), FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryW(Wide(p)) != 0;
}

bool ProbeFileAccess(WStringView path) {
    const WString p(path);
    // Open always: creates a missing file; ERROR_ALREADY_EXISTS tells that it was there.
    HANDLE h = CreateFileW(Wide(p), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(h);
    if (!existed)
        DeleteFileW(Wide(p));
    return true;
}

}  // namespace platform
