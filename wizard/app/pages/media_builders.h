// MediaBuilders: the builders the progress page runs on its worker thread, by
// ChooseUsb. The program uses ProgramMediaBuilders; tests use fakes.
#pragma once

#include "wizard/media/build_worker.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard::pages {

class MediaBuilders {
  public:
    virtual ~MediaBuilders() = default;
    // Called on the worker thread; true when the medium was made.
    virtual bool BuildUsbDrive(WizardSettings& settings, BuildContext& build) = 0;
    virtual bool BuildIsoImage(WizardSettings& settings, BuildContext& build) = 0;
};

// The program's builders: the ISO image builder over the files beside the
// program. A USB drive cannot be prepared by this version: the build says so
// in a message and fails.
class ProgramMediaBuilders : public MediaBuilders {
  public:
    bool BuildUsbDrive(WizardSettings& settings, BuildContext& build) override;
    bool BuildIsoImage(WizardSettings& settings, BuildContext& build) override;
};

// The message of a USB build in a version without USB drive preparation.
inline constexpr char16_t kUsbBuildUnavailable[] =
    u"This version of the wizard cannot prepare USB drives. Please create an ISO image instead.";

}  // namespace wizard::pages
