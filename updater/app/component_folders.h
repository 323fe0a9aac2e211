// The component folders of the product's installed tree: each folder that
// holds files for one operating-system class, and the folder the version list
// shows for it (the folder without its class suffix). Pure functions over a
// fixed table; any thread may call them.
#pragma once

#include <array>

#include "platform/text.h"
#include "updater/app/os_class.h"

namespace updater {

struct ComponentFolder {
    OsClass osClass;
    platform::WStringView folder;
    // Characters cut from the end of the folder to give the folder shown.
    size_t suffixLength;
};

extern const std::array<ComponentFolder, 22> ComponentFolderTable;

struct FolderClass {
    platform::WStringView label;  // the class label; empty outside the table
    bool meantForThisSystem = true;
};

// Looks folder up in the table (ignoring case; the last equal row wins) and
// cuts it to the folder shown. A folder outside the table stays as it is and
// is meant for every system. A row is meant for this system when its class
// is the running class or Any.
FolderClass LookUpFolderClass(platform::WString& folder, OsClass running);

}  // namespace updater
