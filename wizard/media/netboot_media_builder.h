// NetbootMediaBuilder: writes a network boot tree, the folder a TFTP server
// serves to PXE clients, with the same boot files, configuration files and
// configuration archive as the ISO image and the USB drive.
//
// The tree is made in a private staging folder below the temporary folder:
// the program folder's common/ (the kernel, the initial RAM disk, ...) and
// net/ (PXELINUX and its configuration for BIOS clients; the signed shim as
// bootx64.efi, the signed network GRUB as grubx64.efi and grub/grub.cfg for
// UEFI clients), welcome.txt, wipe_config, tmp/policy.cfg, tmp/schemes/, the
// archive "quelix" and dnsmasq.conf. Then it is put into the target folder:
// every file replaces the one of its name whole (copied beside it and renamed
// over it, so a TFTP client never reads half a file, and a link in its place
// is replaced, not followed), readable by all users (the TFTP server reads
// them as an unprivileged user); files of others in the folder are kept. A
// file of the tree whose place is taken by a folder, or a folder of the tree
// whose place is taken by a file or a link, fails the build before anything is
// written to the target.
//
// Runs on the build worker thread; it reads the settings and may reset the
// wiping options to the recommended ones (UseDefaultSetings).
#pragma once

#include <string>

#include "platform/text.h"
#include "wizard/media/build_stamp.h"
#include "wizard/media/build_worker.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

struct NetbootTarget {
    platform::WString folder;  // absolute; it exists
    std::string proxyNetwork;  // written into dnsmasq.conf; empty: none
    BuildStamp stamp;          // with a time, the archive's members carry it
};

class NetbootMediaBuilder {
  public:
    // tempFolder: where the staging folder is made (empty: the temporary folder).
    NetbootMediaBuilder(WizardSettings& settings, BuildContext& build,
                        platform::WString programFolder, NetbootTarget target,
                        platform::WString tempFolder = {});
    ~NetbootMediaBuilder();  // removes the staging folder
    NetbootMediaBuilder(const NetbootMediaBuilder&) = delete;
    NetbootMediaBuilder& operator=(const NetbootMediaBuilder&) = delete;

    // True when the whole tree is in the target folder.
    bool BuildNetbootTree();

  private:
    bool StageFiles();
    bool WriteConfiguration();
    bool WriteArchive();
    bool WriteServerConfiguration();
    bool InstallTree();
    bool CheckPlaces(platform::WStringView from, platform::WStringView to);
    bool InstallFolder(platform::WStringView from, platform::WStringView to);
    bool InstallFile(platform::WStringView from, platform::WStringView to);
    bool Fail(const platform::WString& text);

    WizardSettings& settings_;
    BuildContext& build_;
    platform::WString programFolder_;
    NetbootTarget target_;
    platform::WString tempFolder_;
    platform::WString stage_;  // the staging folder, empty until it exists
};

}  // namespace wizard
