// Writing files as a stream of bytes: a file created (or emptied) for writing
// that others may read meanwhile, written in pieces, and the move that puts a
// finished file in place of another. Used where a file is written piece by
// piece and must only appear under its name once complete (downloads).
//
// An OutputFile is used by one thread at a time; MoveFileReplacing may be
// called from any thread.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace platform {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile();  // closes
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file, or empties an existing one, for writing (normal
    // attributes; others may read it). A file that was open is closed first.
    bool Create(WStringView path);
    // Creates a new file <prefix (up to 3 characters)><hex number>.tmp in
    // folder and keeps it open for writing; a name that exists (also as a
    // link) is never opened. path receives the file's path.
    bool CreateUnique(WStringView folder, WStringView prefix, WString& path);
    // Writes all of size bytes; false when any could not be written.
    bool Write(const void* data, size_t size);
    // Closes the file; false when the data could not be committed.
    bool Close();
    bool IsOpen() const;

  private:
#ifdef _WIN32
    void* handle_ = nullptr;  // HANDLE; null when closed
#else
    int fd_ = -1;
#endif
};

// Moves a file to a new name in the same file system, replacing a file that
// has that name. False when the move failed (the target keeps what it had).
bool MoveFileReplacing(WStringView from, WStringView to);

}  // namespace platform
