// The folder that receives downloaded files when the user has chosen none:
// the temporary folder, then the product name and "_autoUpdate"; created when
// it does not exist. Runs on the thread of its caller.
#pragma once

#include "platform/text.h"

namespace updater {

constexpr char16_t kDownloadFolderPattern[] = u"%s_autoUpdate";

// The default download folder of a product below tempFolder; empty when
// tempFolder is empty (no temporary folder is available).
platform::WString DefaultDownloadFolder(platform::WStringView tempFolder,
                                        platform::WStringView productName);

// Sets folder to the default download folder below tempFolder (empty: the
// system's temporary folder) and creates it when it does not exist. Folder
// stays empty when no temporary folder is available.
void MakeDefaultDownloadFolder(platform::WString& folder, platform::WStringView productName,
                               platform::WStringView tempFolder = {});

}  // namespace updater
