// What the update window decides, shared by the Windows main window and the
// command line's interactive run: the confirmations while automatic update is
// off, and the status line of the Update Options page.
// The thread that runs the window (or the interactive run).
#pragma once

#include "platform/text.h"
#include "updater/app/version_list.h"
#include "updater/config/update_settings.h"

namespace updater {

// While automatic update is off, the download and the restart are always
// confirmed: both confirmations are set.
void ConfirmWhileAutoUpdateOff(UpdateSettings& settings);

// The status line: pattern ("Download and install %s file" or its
// translation) filled with the installer's file name. After a fill of the
// version list (filled: its source; null when no fill ran) it is string 120
// ("Version is up to date.") when no component row was added, and otherwise
// gets string 129 with the site version appended when one is known.
platform::WString StatusLineText(platform::WStringView pattern, const UpdaterState& state,
                                 const VersionListSource* filled, bool noComponents);

}  // namespace updater
