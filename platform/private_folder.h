// Folders that only the running user can change, for a program that may run
// with the rights to install software: the base folder for such folders (the
// temporary folder's counterpart), and a folder checked and held open while a
// job works in it.
//
// Linux: a folder is accepted only when it is a folder itself (not a link),
// belongs to the effective user and cannot be written by group or others; it
// is then held by its descriptor, and Reach() names files through that
// descriptor, so a folder renamed into its place later changes nothing.
// Windows: the user's temporary folder is private already; every folder is
// accepted (only an empty path is refused) and reached by its path.
//
// A PrivateFolder is used by one job at a time; the paths Reach() gives may be
// used by any thread of the process while the object lives.
#pragma once

#include "platform/text.h"

namespace platform {

// Why a folder is not used.
enum class FolderRefusal {
    None,
    Missing,       // it does not exist (and could not be made)
    NotFolder,     // something else has its name
    Link,          // a symbolic link has its name
    OtherOwner,    // it belongs to another user
    OpenToOthers,  // group or others may write in it
    NotHeld,       // it could not be opened and held
};

class PrivateFolder {
  public:
    PrivateFolder() = default;
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // Checks the folder at path (Linux: an absolute path) and holds it; with
    // create, a missing folder (and its missing parents) is made first,
    // readable only by the user. A folder that was held is let go first.
    FolderRefusal Open(WStringView path, bool create);
    void Close();
    bool IsOpen() const { return open_; }
    // The folder's path as given (for messages).
    const WString& Path() const { return path_; }
    // A path of name inside the held folder, for the file functions.
    WString Reach(WStringView name) const;

  private:
    WString path_;
    bool open_ = false;
#ifndef _WIN32
    int fd_ = -1;
#endif
};

// The base of the user's private folders. Linux: $TMPDIR when it names a
// folder of the effective user that group and others cannot write; otherwise
// /var/cache/Korvane for root and $XDG_CACHE_HOME (absolute) or ~/.cache for
// anyone else. Windows: the temporary folder. Nothing is made here; empty when
// no base is known.
WString PrivateTempFolder();

}  // namespace platform
