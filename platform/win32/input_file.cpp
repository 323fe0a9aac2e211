// Input files on Windows: CreateFileW with full sharing, disk files only,
// ReadFile in pieces of at most 1 GiB.
#include "platform/input_file.h"

#include <windows.h>

#include <utility>

#include "platform/win32/wide.h"

namespace platform {

InputFile::~InputFile() {
    Close();
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool InputFile::Open(WStringView path) {
    Close();
    const WString text(path);
    if (text.empty() || text.find(u'\0') != WString::npos)
        return false;
    HANDLE file = CreateFileW(
        Wide(text), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size) || size.QuadPart < 0) {
        CloseHandle(file);
        return false;
    }
    handle_ = file;
    size_ = static_cast<uint64_t>(size.QuadPart);
    return true;
}

void InputFile::Close() {
    if (handle_ != nullptr)
        CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    size_ = 0;
}

bool InputFile::IsOpen() const {
    return handle_ != nullptr;
}

int64_t InputFile::Read(void* buffer, size_t size) {
    if (handle_ == nullptr)
        return -1;
    constexpr size_t kLargestRead = size_t{1} << 30;
    DWORD done = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), buffer,
                  static_cast<DWORD>(size < kLargestRead ? size : kLargestRead), &done, nullptr)) {
        return -1;
    }
    return done;
}

}  // namespace platform
