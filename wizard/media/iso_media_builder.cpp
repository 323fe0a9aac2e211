#include "wizard/media/iso_media_builder.h"

#include <utility>

#include "platform/files.h"
#include "platform/output_file.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/config_archive.h"
#include "wizard/config/file_stream.h"
#include "wizard/media/build_messages.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;
using platform::WStringView;

// Options after the tool's path; the image goes to the current folder and the
// tree, named last, is its "boot" folder.
constexpr char16_t kMasteringOptions[] =
    u" -o quelixcd.iso -iso-level 4 -b isolinux/isolinux.bin -c isolinux/boot.cat -no-emul-boot "
    u"-boot-load-size 4 -boot-info-table -eltorito-alt-boot -b efi/boot.img -no-emul-boot "
    u"-r -G boot/boot/isofs.b -B ...";
constexpr char16_t kMasteringTree[] = u" boot";
// The boot loader named by "-b" above, which -boot-info-table patches in the tree.
constexpr char16_t kPatchedBootLoader[] = u"isolinux.bin";
// Stands for the tool's own name and version, which would differ between tool versions.
constexpr char16_t kFixedPreparer[] = u"QUELIX_OMNISWEEP";

WString Folder(WStringView folder, WStringView name) {
    return JoinPath(folder, name);
}

}  // namespace

WString MasteringCommandLine(WStringView programFolder, const BuildStamp& stamp) {
    // Quoted, so that a folder with blanks cannot make the system start a
    // program named by a prefix of the path.
    WString line = u"\"" + JoinPath(programFolder, kMkisofsName) + u"\"" + kMasteringOptions;
    if (stamp.time) {
        // Every file's and folder's three times, the volume's creation and
        // modification dates (and the boot catalog's), and the preparer.
        const std::string time = std::to_string(*stamp.time);
        line += u" --set_all_file_dates =" + platform::FromUtf8(time) + u" --modification-date=" +
                platform::FromUtf8(VolumeDateText(*stamp.time)) + u" -p " + kFixedPreparer;
    }
    return line + kMasteringTree;
}

IsoMediaBuilder::IsoMediaBuilder(WizardSettings& settings, BuildContext& build,
                                 WString programFolder, WString tempFolder, IsoBuildOptions options)
    : settings_(settings),
      build_(build),
      programFolder_(std::move(programFolder)),
      tempFolder_(tempFolder.empty() ? platform::TempFolder() : std::move(tempFolder)),
      options_(std::move(options)) {}

WString IsoMediaBuilder::Boot(WStringView name) const {
    const WString boot = JoinPath(work_, u"boot");
    return name.empty() ? boot : JoinPath(boot, name);
}

WString IsoMediaBuilder::Fresh(WString path) const {
    // A linked payload file of the same name must not be written through.
    if (options_.linkPayload)
        platform::DeleteOneFile(path);
    return path;
}

bool IsoMediaBuilder::BuildIsoImage() {
    if (settings_.UseDefaultSetings == 1)
        settings_.ResetToRecommended();
    bool made = CreateWorkFolder() && CopyPayload() && WriteConfiguration() && WriteArchive() &&
                RunMastering() && CheckAndCopyImage() && CheckPlacedImage();
    if (build_.StopRequested()) {
        // Cancelled: the tool has been killed, so the folder can go; nothing
        // more is shown.
        if (!work_.empty())
            platform::DeleteTree(work_);
        return false;
    }
    build_.ReportStep(u"Cleaning up temporary files...", 99);
    if (!work_.empty())
        platform::DeleteTree(work_);
    build_.ReportStep(u"Finished...", 100);
    return made && !build_.StopRequested();
}

bool IsoMediaBuilder::CreateWorkFolderBesideImage(WString& name) {
    const WString target = settings_.IsoPath.value_or(WString());
    if (!options_.workBesideImage || target.empty())
        return false;
    const WString parent = platform::ParentFolder(target);
    return platform::CreateUniqueFolder(parent.empty() ? WString(u".") : parent, u"QLXOMS", name);
}

bool IsoMediaBuilder::CreateWorkFolder() {
    WString name;
    workBesideImage_ = CreateWorkFolderBesideImage(name);
    const bool named =
        workBesideImage_ || platform::CreateUniqueTempFile(tempFolder_, u"QLXOMS", name);
    if (!build_.ReportStep(u"Creating temporary folders...", 5)) {
        if (named)
            workBesideImage_ ? platform::RemoveEmptyFolder(name) : platform::DeleteOneFile(name);
        return false;
    }
    // The unique name becomes the folder; without one there is no safe place
    // to build in, and the clean-up must not touch anything else.
    if (!named ||
        (!workBesideImage_ && (!platform::DeleteOneFile(name) || !platform::CreateFolder(name)))) {
        build_.ShowMessage(kBuildErrorCaption,
                           u"Error in creating ISO image file: cannot create a temporary folder "
                           u"in '" +
                               tempFolder_ + u"'.");
        return false;
    }
    work_ = name;
    platform::CreateFolder(Boot());
    platform::CreateFolder(Boot(u"isolinux"));
    platform::CreateFolder(Boot(u"boot"));
    return true;
}

bool IsoMediaBuilder::CopyPayload() {
    // Missing payload folders surface as a failing mastering run.
    const platform::CopyMethod method =
        options_.linkPayload ? platform::CopyMethod::Link : platform::CopyMethod::Copy;
    if (!build_.ReportStep(u"Copying boot files...", 25))
        return false;
    platform::CopyTree(JoinPath(Folder(programFolder_, u"common"), u"*"), Boot(), method);
    if (!build_.ReportStep(u"Copying ISO files...", 25))
        return false;
    const WString isoFiles = Folder(programFolder_, u"iso");
    platform::CopyTree(JoinPath(isoFiles, u"*"), Boot(u"isolinux"), method);
    if (options_.linkPayload) {
        // The tool writes into this one: a copy, so the installed file stays as it is.
        const WString loader = Fresh(JoinPath(Boot(u"isolinux"), kPatchedBootLoader));
        platform::CopyOneFile(JoinPath(isoFiles, kPatchedBootLoader), loader);
    }
    if (!build_.ReportStep(u"Copying SILO files...", 40))
        return false;
    platform::CopyTree(JoinPath(Folder(programFolder_, u"boot"), u"*"), Boot(u"boot"), method);
    return true;
}

void IsoMediaBuilder::FailConfiguration(WStringView path) {
    build_.ShowMessage(kBuildErrorCaption,
                       u"Error in creating ISO image file: cannot write the configuration file '" +
                           WString(path) + u"'.");
}

bool IsoMediaBuilder::WriteConfiguration() {
    if (!build_.ReportStep(u"Creating configuration file...", 60))
        return false;
    // Without a scheme no policy can be written: say what is missing.
    if (settings_.Schemes.empty()) {
        build_.ShowMessage(kBuildErrorCaption,
                           u"Error in creating ISO image file: no wiping scheme is installed in '" +
                               Folder(programFolder_, u"schemes") + u"'.");
        return false;
    }
    const BootConfigWriter writer(settings_);
    const WString welcome = Fresh(Boot(u"welcome.txt"));
    if (!writer.WriteWelcomeText(welcome, WelcomeVariant::Standard))
        return FailConfiguration(welcome), false;
    const WString wipeConfig = Fresh(Boot(u"wipe_config"));
    if (!writer.WriteWipeConfig(wipeConfig))
        return FailConfiguration(wipeConfig), false;
    const WString tmp = Boot(u"tmp");
    platform::CreateFolder(tmp);
    const WString policy = Fresh(JoinPath(tmp, u"policy.cfg"));
    if (!writer.WritePolicyFile(policy))
        return FailConfiguration(policy), false;
    platform::CopyTree(
        JoinPath(Folder(programFolder_, u"schemes"), u"*"), JoinPath(tmp, u"schemes"),
        options_.linkPayload ? platform::CopyMethod::Link : platform::CopyMethod::Copy);
    const WString sparcWelcome = Fresh(Boot(u"welcome.sparc.txt"));
    if (!writer.WriteWelcomeText(sparcWelcome, WelcomeVariant::Sparc))
        return FailConfiguration(sparcWelcome), false;
    CheckSparcRamDisk();
    return true;
}

void IsoMediaBuilder::CheckSparcRamDisk() {
    // SILO needs the SPARC initial RAM disk in whole 4-byte words; a wrong one
    // is reported, and the image is still made for the other machines.
    uint64_t size = 0;
    const WString ramDisk = Boot(u"wipe.sparc64.lz");
    if (platform::IsFolder(ramDisk) || !platform::FileSize(ramDisk, size))
        return;
    if (size % 4 != 0) {
        build_.ShowMessage(u"Error",
                           u"Incorrect size of initrd image for SPARC: it must divisible by 4.");
    }
}

bool IsoMediaBuilder::WriteArchive() {
    if (!build_.ReportStep(u"Creating archive...", 80))
        return false;
    const WString archive = Fresh(Boot(u"quelix"));
    const ConfigArchiveFolders folders{Boot(), programFolder_, tempFolder_};
    if (!BuildConfigArchive(settings_, archive, folders, options_.stamp.time)) {
        build_.ShowMessage(kBuildErrorCaption,
                           u"Error in creating ISO image file: cannot write the configuration "
                           u"archive '" +
                               archive + u"'.");
        return false;
    }
    return true;
}

bool IsoMediaBuilder::RunMastering() {
    const WString commandLine = MasteringCommandLine(programFolder_, options_.stamp);
    if (!build_.ReportStep(u"Running mkisofs.exe...", 80))
        return false;
    platform::Process tool;
    const long started = build_.StartTool(tool, commandLine, work_);
    if (started == kToolCancelled && build_.StopRequested())
        return false;
    if (started != 0) {
        build_.ShowMessage(u"Error", commandLine);
        build_.ShowBuildError(kMsgMkisofsFailed);
        return false;
    }
    if (!build_.WaitTool(tool))
        return false;  // killed by a cancel
    // A tool that reports a failure may still have left a large enough image
    // behind; that image is not trusted.
    uint32_t exitCode = 1;
    if (!tool.ExitCode(exitCode) || exitCode != 0) {
        build_.ShowBuildError(kMsgMkisofsFailed);
        return false;
    }
    return true;
}

bool IsoMediaBuilder::CheckAndCopyImage() {
    if (!build_.ReportStep(u"Creating Quelix Omnisweep ISO file...", 90))
        return false;
    const WString image = JoinPath(work_, kIsoImageName);
    if (platform::IsFolder(image) || !OpenForReading(image).is_open()) {
        build_.ShowBuildError(kMsgIsoMissing);
        return false;
    }
    // The full 64-bit size: an image of 4 GiB and more is not mistaken for a small one.
    uint64_t size = 0;
    if (!platform::FileSize(image, size) || size < kMinimumIsoSize) {
        build_.ShowBuildError(kMsgIsoCorrupted);
        return false;
    }
    const WString target = settings_.IsoPath.value_or(WString());
    const bool placed = !target.empty() && !platform::IsFolder(target) && PlaceImage(image, target);
    if (!placed)
        build_.ShowBuildError(kMsgIsoCopyFailed);
    return placed;
}

bool IsoMediaBuilder::CheckPlacedImage() {
    if (options_.check == nullptr)
        return true;
    WString why;
    if (options_.check->CheckIsoImage(build_, Boot(), *settings_.IsoPath, why))
        return true;
    if (!build_.StopRequested())
        build_.ShowMessage(kBuildErrorCaption, u"Error in creating ISO image file: " + why);
    return false;
}

bool IsoMediaBuilder::PlaceImage(const WString& image, const WString& target) {
    // Beside IsoPath the image is renamed into place in one step; a failed
    // rename, like a failed copy, leaves no previous image there.
    bool placed = false;
    if (workBesideImage_) {
        placed = platform::MoveFileReplacing(image, target);
    } else {
        platform::DeleteOneFile(target);
        placed = !platform::PathExists(target) && platform::CopyOneFile(image, target);
    }
    if (!placed)
        platform::DeleteOneFile(target);  // no partial or previous image at IsoPath
    return placed;
}

bool BuildIsoImage(WizardSettings& settings, BuildContext& build) {
    return IsoMediaBuilder(settings, build, platform::ProgramFolder()).BuildIsoImage();
}

}  // namespace wizard
