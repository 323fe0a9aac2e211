// BuildConfigArchive: packs the configuration of the wiping environment into
// the newc cpio archive "quelix" on the medium. Members, in this order:
//   tmp/scheme/<file name>   every scheme file of the catalogue, in catalogue order
//   tmp/policy.cfg           <config folder>/tmp/policy.cfg, byte for byte
//   wipe_config              the wipe_config text with LF line ends
//   <member name>            each file listed in <program folder>/addons.txt
//   TRAILER!!!
// Every member carries memberTime as its modification time when one is given
// (a reproducible build), else the clock's time as it is written.
// Scheme and listed files that cannot be opened are left out. Everything else
// that fails (no policy file, a member that breaks off while being copied, the
// temporary file or the copy to the target) fails the whole archive: the
// target is then not written and the temporary file is removed.
//
// Runs on the build worker (or the command line); reads the settings only.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

struct ConfigArchiveFolders {
    // Where the loose configuration files were written: W/boot for an
    // ISO image, the drive root for a USB drive. The policy file is read from
    // its "tmp" folder.
    platform::WString configFolder;
    // The folder of the installed program, which may hold addons.txt.
    platform::WString programFolder;
    // Where the archive is assembled; empty: the user's temporary folder.
    platform::WString tempFolder;
};

bool BuildConfigArchive(const WizardSettings& settings, platform::WStringView targetPath,
                        const ConfigArchiveFolders& folders,
                        std::optional<uint32_t> memberTime = std::nullopt);

// The same with the running program's folder and the user's temporary folder.
bool BuildConfigArchive(const WizardSettings& settings, platform::WStringView targetPath,
                        platform::WStringView configFolder);

}  // namespace wizard
