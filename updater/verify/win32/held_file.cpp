// Held files on Windows: a handle that shares reading only, so nobody can
// write, delete or rename the file while it is held.
#include "updater/verify/held_file.h"

#include <windows.h>

#include <utility>

namespace updater {
namespace {

HANDLE AsHandle(intptr_t native) {
    return reinterpret_cast<HANDLE>(native);
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
    }
    return *this;
}

long HeldFile::Open(platform::WStringView path) {
    Close();
    const platform::WString text(path);
    if (text.empty() || text.find(u'\0') != platform::WString::npos)
        return ERROR_INVALID_PARAMETER;
    HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(text.c_str()), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return static_cast<long>(GetLastError());
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return ERROR_INVALID_PARAMETER;
    }
    native_ = reinterpret_cast<intptr_t>(file);
    path_ = text;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

void HeldFile::Close() {
    if (IsOpen())
        CloseHandle(AsHandle(native_));
    native_ = -1;
    path_.clear();
    size_ = 0;
}

bool HeldFile::IsOpen() const {
    return native_ != -1;
}

int64_t HeldFile::ReadAt(uint64_t offset, void* buffer, size_t size) const {
    if (!IsOpen())
        return -1;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(AsHandle(native_), buffer, want, &read, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return read;
}

bool HeldFile::MakePrivateCopy() {
    return IsOpen();
}

void HeldFile::CutToSignedContent() {}

bool HeldFile::Unchanged(platform::WStringView path) const {
    if (!IsOpen())
        return false;
    if (path.empty() || path == path_)
        return true;
    // Another name for the file: it must lead to the held file.
    HANDLE other = CreateFileW(reinterpret_cast<const wchar_t*>(platform::WString(path).c_str()), 0,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (other == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    const bool same = GetFileInformationByHandle(AsHandle(native_), &a) &&
                      GetFileInformationByHandle(other, &b) &&
                      a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                      a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
}

}  // namespace updater
