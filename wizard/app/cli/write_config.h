// --write-config: writes into a folder what a medium's configuration folder
// receives, in the builders' order. Main thread only.
#pragma once

#include <string>

#include "wizard/settings/wizard_settings.h"

namespace wizard::cli {

// Returns kExitOk, or kExitFailed after printing what could not be written.
int WriteConfigFolder(WizardSettings& settings, const std::string& folder);

}  // namespace wizard::cli
