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

// The program's builders over the files beside the program: the ISO image
// builder, and the USB drive preparation through the system's disk access.
class ProgramMediaBuilders : public MediaBuilders {
  public:
    bool BuildUsbDrive(WizardSettings& settings, BuildContext& build) override;
    bool BuildIsoImage(WizardSettings& settings, BuildContext& build) override;
};

}  // namespace wizard::pages
