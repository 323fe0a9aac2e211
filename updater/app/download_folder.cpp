#include "updater/app/download_folder.h"

#include "platform/files.h"
#include "updater/config/update_config.h"
#include "updater/support/formatter.h"

namespace updater {
namespace {

const char16_t* RefusalReason(platform::FolderRefusal refusal) {
    switch (refusal) {
        case platform::FolderRefusal::Missing:
            return u"it does not exist and cannot be made";
        case platform::FolderRefusal::NotFolder:
            return u"it is not a folder";
        case platform::FolderRefusal::Link:
            return u"it is a symbolic link";
        case platform::FolderRefusal::OtherOwner:
            return u"it belongs to another user";
        case platform::FolderRefusal::OpenToOthers:
            return u"other users may write in it";
        default:
            return u"it cannot be opened";
    }
}

}  // namespace

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
    const platform::WString base =
        tempFolder.empty() ? platform::PrivateTempFolder() : platform::WString(tempFolder);
    folder = DefaultDownloadFolder(base, productName);
    // Made private to the user; whether it may be used is checked at each use.
    platform::PrivateFolder made;
    if (!folder.empty())
        made.Open(folder, true);
}

platform::WString FolderRefusalText(platform::WStringView folder, platform::FolderRefusal refusal) {
    return FormatToString(folder.size() + 128, kFolderRefusedPattern, folder,
                          RefusalReason(refusal));
}

}  // namespace updater
