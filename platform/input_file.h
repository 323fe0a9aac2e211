// Reading files as a stream of bytes: a file opened read-only (others may read,
// write and delete it meanwhile) and read in pieces of any size with 64-bit
// positions, so a file larger than the address space reads whole with a fixed
// buffer. Only regular files open: a folder, a device or a pipe is refused, so
// a read never waits for a writer that does not come.
//
// An InputFile is used by one thread at a time; ReadWholeFile may be called
// from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/text.h"

namespace platform {

class InputFile {
  public:
    InputFile() = default;
    ~InputFile();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens a regular file for reading; a file that was open is closed first.
    bool Open(WStringView path);
    void Close();
    bool IsOpen() const;
    // The file's size in bytes when it was opened.
    uint64_t Size() const { return size_; }
    // Reads up to size bytes; gives the count read (0 at the end of the file)
    // or -1 when the file cannot be read (or is not open).
    int64_t Read(void* buffer, size_t size);

  private:
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE; null when closed
#else
    int fd_ = -1;
#endif
    uint64_t size_ = 0;
};

enum class WholeFileResult { Ok, CannotOpen, TooLarge, ReadError };

// Reads a whole file of at most maxSize bytes into bytes (cleared first).
WholeFileResult ReadWholeFile(WStringView path, uint64_t maxSize, std::vector<uint8_t>& bytes);

}  // namespace platform
