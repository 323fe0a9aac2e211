// The folder that receives downloaded files when the user has chosen none:
// the user's private base folder (platform/private_folder.h), then the product
// name and "_autoUpdate"; made private to the user when it does not exist.
// And the message that refuses a download folder. Runs on the thread of its
// caller.
#pragma once

#include "platform/private_folder.h"
#include "platform/text.h"

namespace updater {

constexpr char16_t kDownloadFolderPattern[] = u"%s_autoUpdate";
constexpr char16_t kFolderRefusedPattern[] = u"The download folder '%s' is not used: %s.";

// The default download folder of a product below tempFolder; empty when
// tempFolder is empty (no base folder is available).
platform::WString DefaultDownloadFolder(platform::WStringView tempFolder,
                                        platform::WStringView productName);

// Sets folder to the default download folder below tempFolder (empty: the
// user's private base folder) and makes it when it does not exist. Folder
// stays empty when no base folder is available.
void MakeDefaultDownloadFolder(platform::WString& folder, platform::WStringView productName,
                               platform::WStringView tempFolder = {});

// "The download folder '<folder>' is not used: <why>."
platform::WString FolderRefusalText(platform::WStringView folder, platform::FolderRefusal refusal);

}  // namespace updater
