// MediumCheck: what a builder hands its written medium to while the tree the
// medium was made from still exists: the Linux command line reads the medium
// back, compares every file with the tree, and keeps the tree's digests for
// the build record. A builder without one ends as it always did.
//
// Called on the build worker thread, through the build's own context (its
// steps, its stop flag, its tools).
#pragma once

#include "platform/text.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/disk_access.h"

namespace wizard {

class MediumCheck {
  public:
    virtual ~MediumCheck() = default;
    // A USB drive: held reaches its disk (opened for tools) and tree is the
    // folder whose content was copied into the volume's root. False with why
    // (one line that names the file) when the drive does not hold what was
    // written, or the check was cancelled (why empty).
    virtual bool CheckUsbDrive(BuildContext& build, Disk& held, const UsbDiskInfo& disk,
                               platform::WStringView tree, platform::WString& why) = 0;
    // An ISO image at image, mastered from tree (the image's root folder).
    virtual bool CheckIsoImage(BuildContext& build, platform::WStringView tree,
                               platform::WStringView image, platform::WString& why) = 0;
};

}  // namespace wizard
