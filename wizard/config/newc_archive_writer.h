// NewcArchiveWriter: writes an SVR4 newc cpio archive sequentially into a
// unique temporary file ("QLX....tmp" in the user's temporary folder), then
// copies it to its target.
//
// Life: OpenArchive -> AddFile / AddMemory ... -> WriteTrailer -> CommitArchive.
// Inode numbers count up from 0x10000, one per member written. The writer
// deletes its temporary file when it is destroyed, so a failed or abandoned
// archive leaves nothing behind; the target is written only by CommitArchive.
//
// One writer belongs to one thread (the build worker); it shares nothing.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <istream>
#include <string_view>

#include "platform/text.h"

namespace wizard {

class NewcArchiveWriter {
  public:
    // Seconds since 1970-01-01 UTC, read for each header.
    using Clock = std::function<uint32_t()>;

    NewcArchiveWriter();
    explicit NewcArchiveWriter(Clock clock);
    ~NewcArchiveWriter();
    NewcArchiveWriter(const NewcArchiveWriter&) = delete;
    NewcArchiveWriter& operator=(const NewcArchiveWriter&) = delete;

    // Creates the temporary file in the user's temporary folder and opens it.
    bool OpenArchive();
    // The same in a given folder.
    bool OpenArchiveIn(platform::WStringView folder);

    // A member (mode 0100755) holding the whole content of source, read from
    // its start. False when the file is 4 GiB or larger or the name is not
    // valid (nothing is written then), or when the source cannot be read
    // completely or the archive cannot be written: the archive is then broken,
    // takes no more members and cannot be committed.
    bool AddFile(std::istream& source, std::string_view memberName);
    // A member (mode 0100644) holding the given bytes; fails as AddFile does.
    bool AddMemory(std::string_view data, std::string_view memberName);
    // The closing "TRAILER!!!" member.
    bool WriteTrailer();

    // Closes the temporary file, copies it to targetPath (replacing a file
    // there) and deletes it. False when anything of this fails.
    bool CommitArchive(platform::WStringView targetPath);

    // Closes the temporary file if it is open.
    void Close();

    const platform::WString& TempFilePath() const { return tempPath_; }

  private:
    bool WriteHeader(uint32_t mode, uint64_t size, std::string_view name);
    bool WriteBytes(const char* data, std::size_t size);
    bool WritePadding(uint64_t size);
    bool CopyData(std::istream& source, uint64_t size);

    Clock clock_;
    platform::WString tempPath_;
    std::ofstream out_;
    uint32_t nextInode_;
    bool failed_ = false;
};

}  // namespace wizard
