// A file held open for reading from its signature check until the program it
// holds has been started, so that what runs is what was checked.
//
// Windows: opened with reading shared and writing, deleting and renaming denied
// to everyone else while the object lives. Linux has no such sharing modes: a
// link is not followed, the file's bytes are copied into a private sealed
// memory file (memfd) that nobody can change, which is checked and later run,
// cut at the end of its signed content; Unchanged() tells whether a path still
// names the file as it was opened.
//
// One thread at a time uses a HeldFile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

namespace updater {

class HeldFile {
  public:
    HeldFile() = default;
    ~HeldFile();
    HeldFile(HeldFile&& other) noexcept;
    HeldFile& operator=(HeldFile&& other) noexcept;
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Opens a regular file; a file that was open is closed first. Returns 0 or
    // a Windows error number (2 missing, 5 access denied, 32 in use for
    // writing by another program, 87 empty path or not a regular file).
    long Open(platform::WStringView path);
    void Close();
    bool IsOpen() const;
    const platform::WString& Path() const { return path_; }
    // Size when opened.
    uint64_t Size() const { return size_; }
    // Reads up to size bytes at offset; the count read, 0 at the end, -1 on error.
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) const;
    // Linux: holds a private sealed copy of the file's bytes in place of the
    // file (reads and Native() then reach the copy); false, and the file stays
    // held, when no copy can be made. Windows: nothing to do.
    bool MakePrivateCopy();
    // Linux: cuts a private copy at the end of its appended signature's signed
    // content (a copy without a signature stays whole) and seals it against
    // any change. Windows: nothing to do (Authenticode covers the program).
    void CutToSignedContent();
    // Whether the path (empty: the one opened) still names the file as it was
    // opened (Windows: always while open, since changes are denied).
    bool Unchanged(platform::WStringView path = {}) const;
    // The system handle (Windows HANDLE) or descriptor (Linux), for the trust
    // verification of the platform.
    intptr_t Native() const { return native_; }

  private:
    intptr_t native_ = -1;  // -1: closed
    platform::WString path_;
    uint64_t size_ = 0;
#ifndef _WIN32
    // Identity, size and change times of the opened file.
    uint64_t device_ = 0, inode_ = 0, openedSize_ = 0;
    int64_t modifiedNs_ = 0, changedNs_ = 0;
    bool copy_ = false;  // native_ is a private copy
#endif
};

}  // namespace updater
