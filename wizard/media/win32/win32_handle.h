// WinHandle: an owned Win32 file handle, closed when the object goes. Any thread.
#pragma once

#include <windows.h>

#include <utility>

namespace wizard {

class WinHandle {
  public:
    WinHandle() = default;
    explicit WinHandle(HANDLE h) : h_(h) {}
    ~WinHandle() {
        if (*this)
            CloseHandle(h_);
    }
    WinHandle(WinHandle&& o) noexcept : h_(std::exchange(o.h_, INVALID_HANDLE_VALUE)) {}
    WinHandle& operator=(WinHandle&& o) noexcept {
        std::swap(h_, o.h_);
        return *this;
    }
    WinHandle(const WinHandle&) = delete;
    WinHandle& operator=(const WinHandle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }

  private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Opens a device or volume for reading and writing, shared for both.
inline WinHandle OpenDevice(const wchar_t* path, DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return WinHandle(CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
}

}  // namespace wizard
