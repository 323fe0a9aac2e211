#include "wizard/app/pages/media_builders.h"

#include "wizard/app/pages/page.h"
#include "wizard/media/iso_media_builder.h"
#include "wizard/media/system_disks.h"
#include "wizard/media/usb_media_builder.h"

namespace wizard::pages {

bool ProgramMediaBuilders::BuildUsbDrive(WizardSettings& settings, BuildContext& build) {
    const std::unique_ptr<DiskAccess> access = MakeSystemDiskAccess();
    return UsbMediaBuilder(settings, build, *access, settings.Environment.ProgramFolder)
        .BuildUsbDrive();
}

bool ProgramMediaBuilders::BuildIsoImage(WizardSettings& settings, BuildContext& build) {
    return IsoMediaBuilder(settings, build, settings.Environment.ProgramFolder).BuildIsoImage();
}

}  // namespace wizard::pages
