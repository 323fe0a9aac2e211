// IsoMediaBuilder: builds the bootable ISO image at WizardSettings::IsoPath.
//
// It lays out a boot tree in a fresh work folder below the temporary folder
// (copies of the program folder's common/, iso/, boot/ and schemes/, the
// configuration files and the configuration archive), runs the mastering tool
// "mkisofs" ("mkisofs.exe" on Windows) from the program folder on it, checks
// the image, copies it to IsoPath and removes the work folder. Steps and
// errors go through the BuildContext; a cancel kills the tool and the work
// folder is still removed. IsoBuildOptions let a build work beside IsoPath,
// link the payload instead of copying it and fix the image's dates.
//
// Runs on the build worker thread; it reads the settings and may reset the
// wiping options to the recommended ones (UseDefaultSetings).
#pragma once

#include "platform/process.h"
#include "platform/text.h"
#include "wizard/media/build_stamp.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/medium_check.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

// Name of the mastering tool in the program folder, and of the image it writes.
#ifdef _WIN32
inline constexpr char16_t kMkisofsName[] = u"mkisofs.exe";
#else
inline constexpr char16_t kMkisofsName[] = u"mkisofs";
#endif
inline constexpr char16_t kIsoImageName[] = u"quelixcd.iso";
// An image smaller than this is taken as broken.
constexpr uint64_t kMinimumIsoSize = 1048576;

// How a build places its work and dates its image. The defaults are the
// classic build of the Windows program: the work folder in the temporary
// folder, copies of the payload, the image copied to IsoPath, the clock.
struct IsoBuildOptions {
    // The work folder is a private folder beside IsoPath, on its file system,
    // and the finished image is renamed into place (the temporary folder and
    // a copy when no folder can be made there).
    bool workBesideImage = false;
    // Payload files are linked into the work tree where the file system
    // allows; the boot loader that the tool patches (-boot-info-table) and
    // every file the builder writes are always files of their own.
    bool linkPayload = false;
    // With a time: the same dates for every file and the volume, and a fixed
    // preparer, so that the same tree gives the same image. These options are
    // those of xorriso's mkisofs (xorrisofs), the tool the Linux payload links.
    BuildStamp stamp;
    // What the image at IsoPath is handed to before the work folder goes; a
    // failed check fails the build (the image stays, for inspection).
    MediumCheck* check = nullptr;
};

// The mastering command line: the quoted tool path in programFolder and the
// fixed options that make the image bootable by BIOS, UEFI and SPARC machines,
// run with the work folder as current folder on its "boot" tree; with a
// stamp's time also the options that fix the image's dates.
platform::WString MasteringCommandLine(platform::WStringView programFolder,
                                       const BuildStamp& stamp = {});

class IsoMediaBuilder {
  public:
    // programFolder: where the payload folders and the tool are installed;
    // tempFolder: where the work folder is made (empty: the user's temporary folder).
    IsoMediaBuilder(WizardSettings& settings, BuildContext& build, platform::WString programFolder,
                    platform::WString tempFolder = {}, IsoBuildOptions options = {});

    // True when the image was copied to IsoPath.
    bool BuildIsoImage();

  private:
    bool CreateWorkFolder();
    bool CreateWorkFolderBesideImage(platform::WString& name);
    bool CopyPayload();
    bool WriteConfiguration();
    void CheckSparcRamDisk();
    bool WriteArchive();
    bool RunMastering();
    bool CheckAndCopyImage();
    bool CheckPlacedImage();
    bool PlaceImage(const platform::WString& image, const platform::WString& target);
    void FailConfiguration(platform::WStringView path);
    platform::WString Boot(platform::WStringView name = {}) const;
    platform::WString Fresh(platform::WString path) const;

    WizardSettings& settings_;
    BuildContext& build_;
    platform::WString programFolder_;
    platform::WString tempFolder_;
    IsoBuildOptions options_;
    platform::WString work_;        // the work folder, empty until it exists
    bool workBesideImage_ = false;  // work_ lies beside IsoPath
};

// The same for the running program's folder.
bool BuildIsoImage(WizardSettings& settings, BuildContext& build);

}  // namespace wizard
