// MediumVerifier: the MediumCheck of the Linux command line. It takes the
// SHA-256 of every file of the tree a medium was made from (for the build
// record) and, when asked to verify, reads the written medium back past the
// page cache and compares:
//   - a USB drive through our own FAT reader: the master boot record's boot
//     code (the payload's mbr.bin), the volume's partition entry (present,
//     active, holding the volume), ldlinux.sys in the root, and every file of
//     the tree by size and digest;
//   - an ISO image through a reader that is not ours (xorriso's report of each
//     file's extents, whose bytes are then hashed): every file of the tree by
//     size and digest (the boot loader with the boot-information table that
//     mastering writes into it).
// A difference fails the medium with the file's name.
//
// One object per build, used on its build worker thread; Report() is read
// after the build ended.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "wizard/media/medium_check.h"

namespace wizard {

// A file of the tree a medium was made from.
struct TreeFile {
    std::string path;  // relative, '/'-separated
    uint64_t size = 0;
    std::string sha256;  // lower-case hexadecimal
};

enum class Verification { NotAsked, Passed, Failed };

// What a check found, for the build record.
struct MediumReport {
    std::vector<TreeFile> files;  // in path order; empty when the check did not run
    Verification verification = Verification::NotAsked;
    std::string failure;  // why the medium failed verification
};

class MediumVerifier : public MediumCheck {
  public:
    // verify: read the medium back (else only the tree's digests are taken);
    // programFolder: where the payload's mbr.bin is.
    MediumVerifier(bool verify, platform::WString programFolder);

    bool CheckUsbDrive(BuildContext& build, Disk& held, const UsbDiskInfo& disk,
                       platform::WStringView tree, platform::WString& why) override;
    bool CheckIsoImage(BuildContext& build, platform::WStringView tree, platform::WStringView image,
                       platform::WString& why) override;

    const MediumReport& Report() const { return report_; }

    // Runs after the medium was written and before it is read back (tests
    // change the medium there).
    std::function<void()> beforeReadBack;

  private:
    // How a check goes on after its start: done (nothing to read back),
    // failed (why set unless cancelled), or reading the medium back.
    enum class Start { Done, Failed, ReadBack };
    // The tree's digests, then, when reading back, the step and the hook.
    Start Begin(BuildContext& build, platform::WStringView tree, const char16_t* step, int position,
                platform::WString& why);
    bool HashTree(BuildContext& build, platform::WStringView tree);
    bool CompareUsbFiles(BuildContext& build, Disk& held, const UsbDiskInfo& disk,
                         std::string& why);
    bool CompareIsoFiles(BuildContext& build, int image, const std::string& report,
                         platform::WStringView tree, std::string& why);
    bool Finish(bool same, const std::string& why, platform::WString& out);

    bool verify_;
    platform::WString programFolder_;
    MediumReport report_;
    std::vector<uint8_t> buffer_;  // what one read brings back
};

}  // namespace wizard
