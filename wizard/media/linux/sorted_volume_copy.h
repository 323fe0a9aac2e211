// The mtools command lines that copy a staged folder's content into the root
// of a FAT volume in name order: the same files then get the same directory
// entries and clusters whatever order the staging file system lists them in.
// One mmd makes the sub-folders (parents first; folders the volume already
// has are kept, and its exit code says nothing then), one mcopy per folder
// copies that folder's files, replacing files of the same name.
//
// Build worker thread; reads the folder only.
#pragma once

#include <vector>

#include "platform/text.h"

namespace wizard {

struct VolumeCopyCommand {
    platform::WString commandLine;
    bool mustSucceed = true;
};

// mmd and mcopy: the tools' paths; image: the quoted mtools volume ("disk@@offset").
std::vector<VolumeCopyCommand> SortedVolumeCopy(platform::WStringView folder,
                                                const platform::WString& mmd,
                                                const platform::WString& mcopy,
                                                const platform::WString& image);

}  // namespace wizard
