#include "wizard/app/pages/media_builders.h"

#include "wizard/app/pages/page.h"
#include "wizard/media/iso_media_builder.h"

namespace wizard::pages {

bool ProgramMediaBuilders::BuildUsbDrive(WizardSettings&, BuildContext& build) {
    build.ShowMessage(kWizardCaption, kUsbBuildUnavailable);
    return false;
}

bool ProgramMediaBuilders::BuildIsoImage(WizardSettings& settings, BuildContext& build) {
    return IsoMediaBuilder(settings, build, settings.Environment.ProgramFolder).BuildIsoImage();
}

}  // namespace wizard::pages
