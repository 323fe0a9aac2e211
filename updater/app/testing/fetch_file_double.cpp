// Test double of FetchFile for the version list's tests while the update
// flow's own is not in this tree: the front end's download of the file from
// the selected site into the download folder, and FetchFile's results.
#include "platform/files.h"
#include "updater/app/update_check.h"

namespace updater {

int FetchFile(UpdaterState& state, UpdateServices& services, platform::WStringView fileName,
              platform::WStringView destination) {
    const platform::WString target = destination.empty()
                                         ? platform::JoinPath(state.downloadFolder, fileName)
                                         : platform::WString(destination);
    const DownloadSite* site = state.config.Site(state.settings.siteIndex);
    if (!site)
        return kFetchFailed;
    const int32_t result = services.frontEnd.Download(*site, platform::ToAnsi(fileName), target);
    if (result == 0)
        return kFetchDone;
    return result == -9 ? kFetchStopped : kFetchFailed;
}

}  // namespace updater
