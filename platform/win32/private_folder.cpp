// Private folders on Windows: the user's temporary folder is private to the
// user already, so any folder is accepted and reached by its path (one that
// cannot be made fails later, where its files are written).
#include "platform/private_folder.h"

#include "platform/files.h"

namespace platform {

PrivateFolder::~PrivateFolder() {
    Close();
}

void PrivateFolder::Close() {
    open_ = false;
    path_.clear();
}

FolderRefusal PrivateFolder::Open(WStringView path, bool create) {
    Close();
    if (path.empty())
        return FolderRefusal::Missing;
    if (create)
        CreateFolders(path);
    path_ = WString(path);
    open_ = true;
    return FolderRefusal::None;
}

WString PrivateFolder::Reach(WStringView name) const {
    return open_ ? JoinPath(path_, name) : WString();
}

WString PrivateTempFolder() {
    return TempFolder();
}

}  // namespace platform
