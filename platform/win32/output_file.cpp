// Output files on Windows: CreateFileW with CREATE_ALWAYS and read sharing,
// WriteFile in pieces of at most 1 GiB, MoveFileExW to put a finished file in
// place.
#include "platform/output_file.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "platform/win32/wide.h"

namespace platform {
namespace {

bool IsUsable(const WString& path) {
    return !path.empty() && path.find(u'\0') == WString::npos;
}

}  // namespace

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Create(WStringView path) {
    Close();
    const WString text(path);
    if (!IsUsable(text))
        return false;
    HANDLE file = CreateFileW(Wide(text), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = file;
    return true;
}

bool OutputFile::CreateUnique(WStringView folder, WStringView prefix, WString& path) {
    Close();
    const WString dir(folder);
    const WString pre(prefix.substr(0, std::min<size_t>(3, prefix.size())));
    if (!IsUsable(dir) || pre.find(u'\0') != WString::npos)
        return false;
    const unsigned start = static_cast<unsigned>(GetTickCount() ^ GetCurrentProcessId()) & 0xFFFF;
    for (unsigned i = 0; i < 0x10000; ++i) {
        const unsigned number = ((start + i) & 0xFFFF) ? (start + i) & 0xFFFF : 1;
        wchar_t name[16];
        std::swprintf(name, 16, L"%X.tmp", number);
        WString candidate = dir;
        if (candidate.back() != u'\\' && candidate.back() != u'/')
            candidate += u'\\';
        candidate += pre;
        candidate += FromWide(name);
        HANDLE file = CreateFileW(Wide(candidate), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = file;
            path = candidate;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (handle_ == nullptr)
        return false;
    constexpr size_t kMostPerCall = size_t{1} << 30;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(std::min(size, kMostPerCall));
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes, piece, &written, nullptr) ||
            written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool OutputFile::Close() {
    if (handle_ == nullptr)
        return true;
    const BOOL closed = CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    return closed != FALSE;
}

bool OutputFile::IsOpen() const {
    return handle_ != nullptr;
}

bool MoveFileReplacing(WStringView from, WStringView to) {
    const WString source(from);
    const WString target(to);
    if (!IsUsable(source) || !IsUsable(target))
        return false;
    return MoveFileExW(Wide(source), Wide(target),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace platform
