#include "updater/app/main_window_rules.h"

#include "updater/app/flow_text.h"
#include "updater/app/updater_strings.h"
#include "updater/support/formatter.h"

namespace updater {

void ConfirmWhileAutoUpdateOff(UpdateSettings& settings) {
    if (settings.autoUpdateOff == 0)
        return;
    settings.confirmDownload = 1;
    settings.confirmRestart = 1;
}

platform::WString StatusLineText(platform::WStringView pattern, const UpdaterState& state,
                                 const VersionListSource* filled, bool noComponents) {
    platform::WString text = FormatToString(kFlowTextCapacity, pattern, state.config.exeFileName);
    if (filled == nullptr)
        return text;
    const StringResources& strings = filled->services.strings;
    if (noComponents)
        return LoadFlowText(strings, kStrUpToDate);
    if (!filled->siteVersionText.empty()) {
        text += FormatToString(kFlowTextCapacity, LoadFlowText(strings, kStrSiteVersion),
                               filled->siteVersionText);
    }
    return text;
}

}  // namespace updater
