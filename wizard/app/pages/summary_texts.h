// The texts the summary pages show for the chosen configuration. Missing data
// gives empty parts, never a failure. Pure functions; any thread.
#pragma once

#include "platform/text.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::pages {

// "Label (E:) - 7.45 GB" for a USB drive, IsoPath for an image.
platform::WString TargetText(const WizardSettings& settings);
platform::WString WorkModeText(const WizardSettings& settings);
platform::WString SchemesText(const WizardSettings& settings);
platform::WString OptionsText(const WizardSettings& settings);
platform::WString LoggingText(const WizardSettings& settings);

}  // namespace wizard::pages
