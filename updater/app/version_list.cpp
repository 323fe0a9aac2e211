// The fill of the version list: fetch the site's description when asked (or
// when the last fetch failed), then compare it with the installed one.
#include "updater/app/version_list.h"

#include "platform/files.h"

namespace updater {

bool FillVersionList(VersionListSource& source, VersionListView& view, bool fetchFirst) {
    view.Clear();
    source.siteVersionText.clear();
    UpdaterState& state = source.state;
    if (fetchFirst || source.lastFetch != kFetchDone) {
        source.lastFetch = FetchFile(state, source.services, state.config.verFileName);
        if (source.lastFetch != kFetchDone)
            return false;
    }
    cConfigFile installed;
    installed.Open(state.installedFolder + state.config.verFileName, nullptr);
    cConfigFile downloaded;
    downloaded.Open(platform::JoinPath(state.downloadFolder, state.config.verFileName), nullptr);
    return FillVersionListFrom(source, view, installed, downloaded);
}

}  // namespace updater
