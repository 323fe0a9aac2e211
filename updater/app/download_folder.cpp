#include "updater/app/download_folder.h"

#include "platform/files.h"
#include "updater/config/update_config.h"
#include "updater/support/formatter.h"

namespace updater {

platform::WString DefaultDownloadFolder(platform::WStringView tempFolder,
                                        platform::WStringView productName) {
    if (tempFolder.empty())
        return {};
    const platform::WString name = FormatToString(UpdateConfig::kProductNameCapacity + 16,
                                                  kDownloadFolderPattern, productName);
    return platform::JoinPath(tempFolder, name);
}

void MakeDefaultDownloadFolder(platform::WString& folder, platform::WStringView productName,
                               platform::WStringView tempFolder) {
    const platform::WString temp =
        tempFolder.empty() ? platform::TempFolder() : platform::WString(tempFolder);
    folder = DefaultDownloadFolder(temp, productName);
    if (!folder.empty() && !platform::IsFolder(folder))
        platform::CreateFolder(folder);
}

}  // namespace updater
