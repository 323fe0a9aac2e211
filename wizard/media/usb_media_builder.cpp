#include "wizard/media/usb_media_builder.h"

#include <utility>

#include "platform/files.h"
#include "platform/process.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/config_archive.h"
#include "wizard/media/build_messages.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;

// The volume's size as the own writer and the formatter use it.
void SetVolumeSize(UsbDiskInfo& disk, uint64_t bytes) {
    disk.VolumeBytes = bytes;
    const uint64_t kb = bytes / 1024;
    disk.TotalKB = kb > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(kb);
}

}  // namespace

UsbMediaBuilder::UsbMediaBuilder(WizardSettings& settings, BuildContext& build, DiskAccess& access,
                                 WString programFolder, WString tempFolder, BuildStamp stamp)
    : settings_(settings),
      build_(build),
      access_(access),
      programFolder_(std::move(programFolder)),
      tempFolder_(tempFolder.empty() ? platform::TempFolder() : std::move(tempFolder)),
      stamp_(stamp) {}

UsbMediaBuilder::~UsbMediaBuilder() {
    if (!stage_.empty())
        platform::DeleteTree(stage_);
}

void UsbMediaBuilder::Fail(const WString& text) {
    build_.ShowMessage(kBuildErrorCaption, u"Error in creating USB bootable drive: " + text);
}

bool UsbMediaBuilder::BuildUsbDrive() {
    if (settings_.UseDefaultSetings == 1)
        settings_.ResetToRecommended();
    const int32_t index = settings_.SelectedUsbDisk;
    if (index < 0 || static_cast<size_t>(index) >= settings_.UsbDisks.size()) {
        Fail(u"no USB removable disk is selected.");
        return false;
    }
    UsbDiskInfo& disk = settings_.UsbDisks[static_cast<size_t>(index)];
    if (!build_.ReportStep(u"Acessing USB removable disk...", 5) ||
        !build_.ReportStep(u"Checking format of USB removable disk...", 10))
        return false;
    // A disk swapped since discovery is never written.
    if (!CheckIdentity(disk) || !PrepareUsbDisk(disk))
        return false;
    if (!build_.ReportStep(u"Allocating memory...", 40) || !StageFiles() || !CopyFiles(disk) ||
        !InstallBootLoader(disk))
        return false;
    if (!build_.ReportStep(u"Cleaning up temporary files...", 99))
        return false;
    platform::DeleteTree(stage_);
    stage_.clear();
    return build_.ReportStep(u"Finished.", 100);
}

bool UsbMediaBuilder::CheckIdentity(const UsbDiskInfo& disk) {
    WString why;
    if (access_.IsSameDisk(disk, why))
        return true;
    Fail(why.empty() ? WString(u"the USB removable disk was replaced.") : why);
    return false;
}

bool UsbMediaBuilder::PrepareUsbDisk(UsbDiskInfo& disk) {
    if (disk.FormatNeed == 0)
        return true;
    if (!build_.ReportStep(u"Requesting confirmation to format USB removable disk...", 15))
        return false;
    if (!build_.AskYesNo(kBuildErrorCaption, BuildErrorText(kMsgConfirmOverwrite)))
        return false;
    // 32-bit sector counts cannot describe 2 TiB: refused before anything is written.
    if (disk.HasPartitionTable && disk.VolumeBytes >= kMbrLimitBytes) {
        build_.ShowBuildError(kMsgNotFormatted);
        return false;
    }
    if (!disk.HasPartitionTable) {
        if (!build_.ReportStep(u"Creating MBR sector on the USB removable disk...", 20))
            return false;
        std::unique_ptr<LockedVolume> lock = access_.LockVolume(disk);
        if (!lock) {
            build_.ShowBuildError(kMsgVolumeBusy);
            return false;
        }
        // Once the volume is locked it cannot change hands: the disk holding
        // it is checked again right before the partition table is written.
        if (!CheckIdentity(disk))
            return false;
        const bool made = CreatePartitionTable(disk);
        lock.reset();
        if (!made) {
            build_.ShowBuildError(disk.VolumeBytes >= kMbrLimitBytes ? kMsgNotFormatted
                                                                     : kMsgMbrFailed);
            return false;
        }
    } else if (!TakeKeptPartitionStart(disk)) {
        build_.ShowBuildError(kMsgNotFormatted);
        return false;
    }
    if (!build_.ReportStep(u"Formatting the USB removable disk...", 25))
        return false;
    long startError = 0;
    uint32_t exitCode = 0;
    if (!FormatVolume(disk, startError, exitCode)) {
        if (!build_.StopRequested())
            build_.ShowBuildError(kMsgNotFormatted);
        return false;
    }
    return true;
}

bool UsbMediaBuilder::TakeKeptPartitionStart(UsbDiskInfo& disk) {
    // The boot sector's hidden sectors must be the partition's real first
    // sector (63, 2048, ...), whatever discovery left in the record.
    std::unique_ptr<Disk> opened = access_.OpenDisk(disk);
    DriveLayout layout;
    if (!opened || !opened->ReadLayout(layout) || layout.Partitions.empty() ||
        layout.Partitions[0].StartingOffset == 0)
        return false;
    disk.PartitionStartSector = layout.Partitions[0].StartingOffset / kSectorBytes;
    return true;
}

bool UsbMediaBuilder::CreatePartitionTable(UsbDiskInfo& disk) {
    std::unique_ptr<Disk> opened = access_.OpenDisk(disk);
    DiskGeometry geometry;
    DriveLayout found;
    if (!opened || !opened->ReadGeometry(geometry) || !opened->ReadLayout(found))
        return false;
    PartitionEntry entry;
    if (!NewPartitionEntry(geometry, true, entry)) {
        // Nothing written yet: a disk too large for an MBR is refused whole.
        if (geometry.Cylinders * geometry.TracksPerCylinder * geometry.SectorsPerTrack *
                geometry.BytesPerSector >=
            kMbrLimitBytes)
            SetVolumeSize(disk, kMbrLimitBytes);
        return false;
    }
    static const std::array<uint8_t, 1 << 20> zeros{};
    opened->Write(0, zeros);
    const uint32_t signature = SerialNumber(stamp_, StampSerial::DiskSignature);
    if (!opened->InitializeMbr(signature))
        return false;
    // The entry is written whatever the old table held, so a disk that had no
    // partition at all is not left with an empty table.
    DriveLayout layout;
    layout.Signature = signature;
    layout.Partitions = {entry, {}, {}, {}};
    if (!opened->WriteLayout(layout))
        return false;
    disk.PartitionStartSector = entry.StartingOffset / kSectorBytes;
    disk.HasPartitionTable = true;
    // The formatter is chosen by, and the writer fills, the new partition.
    SetVolumeSize(disk, entry.Length);
    return true;
}

bool UsbMediaBuilder::FormatVolume(UsbDiskInfo& disk, long& startError, uint32_t& exitCode) {
    startError = 0;
    exitCode = 0;
    if (disk.VolumeBytes >= kMbrLimitBytes)
        return false;
    if (disk.TotalKB == 0 || disk.TotalKB > kSystemFormatterMaxKB)
        return FormatFat32(disk);
    const WString commandLine = access_.FormatterCommandLine(disk, kUsbVolumeLabel);
    return RunTool(commandLine, startError, exitCode) && exitCode == 0;
}

bool UsbMediaBuilder::RunTool(const WString& commandLine, long& startError, uint32_t& exitCode) {
    platform::Process tool;
    startError = commandLine.empty() ? 2 : build_.StartTool(tool, commandLine, {});
    if (startError != 0)
        return false;
    if (!build_.WaitTool(tool))
        return false;  // killed by a cancel
    return tool.ExitCode(exitCode);
}

bool UsbMediaBuilder::FormatFat32(UsbDiskInfo& disk) {
    if (disk.TotalKB == 0 || disk.VolumeBytes >= kMbrLimitBytes ||
        disk.PartitionStartSector > 0xFFFFFFFFu)
        return false;
    std::unique_ptr<LockedVolume> volume = access_.LockVolume(disk);
    if (!volume)
        return false;
    const uint64_t sectors = uint64_t{disk.TotalKB} * 2;
    if (!WriteFat32(*volume, sectors, static_cast<uint32_t>(disk.PartitionStartSector),
                    SerialNumber(stamp_, StampSerial::VolumeSerial)))
        return false;
    volume.reset();
    access_.LabelVolume(disk, kUsbVolumeLabel);
    return true;
}

bool UsbMediaBuilder::StageFiles() {
    WString name;
    if (!platform::CreateUniqueTempFile(tempFolder_, u"QLXOMS", name) ||
        !platform::DeleteOneFile(name) || !platform::CreateFolder(name)) {
        Fail(u"cannot create a temporary folder in '" + tempFolder_ + u"'.");
        return false;
    }
    stage_ = name;
    if (!build_.ReportStep(u"Copying common files to the USB removable disk...", 60))
        return false;
    platform::CopyTree(JoinPath(JoinPath(programFolder_, u"common"), u"*"), stage_);
    if (!build_.ReportStep(u"Copying flash files to the USB removable disk...", 70))
        return false;
    platform::CopyTree(JoinPath(JoinPath(programFolder_, u"flash"), u"*"), stage_);
    return WriteConfiguration() && WriteArchive();
}

bool UsbMediaBuilder::WriteConfiguration() {
    // An updated drive keeps its old configuration when a write here fails
    // unnoticed: every file is checked and a failure ends the build.
    if (settings_.Schemes.empty()) {
        Fail(u"no wiping scheme is installed in '" + JoinPath(programFolder_, u"schemes") + u"'.");
        return false;
    }
    const BootConfigWriter writer(settings_);
    const WString tmp = JoinPath(stage_, u"tmp");
    const WString welcome = JoinPath(stage_, u"welcome.txt");
    const WString wipeConfig = JoinPath(stage_, u"wipe_config");
    const WString policy = JoinPath(tmp, u"policy.cfg");
    const WString* failed = nullptr;
    if (!writer.WriteWelcomeText(welcome, WelcomeVariant::Standard))
        failed = &welcome;
    else if (!writer.WriteWipeConfig(wipeConfig))
        failed = &wipeConfig;
    else if (!platform::CreateFolder(tmp) || !writer.WritePolicyFile(policy))
        failed = &policy;
    if (failed != nullptr) {
        Fail(u"cannot write the configuration file '" + *failed + u"'.");
        return false;
    }
    if (!platform::CopyTree(JoinPath(JoinPath(programFolder_, u"schemes"), u"*"),
                            JoinPath(tmp, u"schemes"))) {
        Fail(u"cannot copy the scheme files.");
        return false;
    }
    return true;
}

bool UsbMediaBuilder::WriteArchive() {
    if (!build_.ReportStep(u"Creating archive ...", 80))
        return false;
    const WString archive = JoinPath(stage_, u"quelix");
    const ConfigArchiveFolders folders{stage_, programFolder_, tempFolder_};
    if (!BuildConfigArchive(settings_, archive, folders, stamp_.time)) {
        Fail(u"cannot write the configuration archive.");
        return false;
    }
    return true;
}

bool UsbMediaBuilder::CopyFiles(const UsbDiskInfo& disk) {
    if (!access_.CopyToVolume(disk, stage_)) {
        Fail(u"cannot copy the files to the USB removable disk.");
        return false;
    }
    return true;
}

bool UsbMediaBuilder::InstallBootLoader(const UsbDiskInfo& disk) {
    if (!build_.ReportStep(u"Running syslinux.exe utility ...", 90))
        return false;
    long startError = 0;
    uint32_t exitCode = 1;
    const bool ran =
        RunTool(access_.InstallerCommandLine(disk, programFolder_), startError, exitCode);
    if (build_.StopRequested())
        return false;
    if (startError != 0) {
        build_.ShowBuildError(kMsgSyslinuxFailed);
        return false;
    }
    if (!build_.ReportStep(u"Checking result returned by syslinux.exe utility ...", 95))
        return false;
    if (!ran || exitCode != 0 || !access_.VolumeHasFile(disk, u"ldlinux.sys") ||
        !access_.FinishBootLoader(disk, programFolder_)) {
        Fail(u"the SYSLINUX utility did not make the drive bootable.");
        return false;
    }
    return true;
}

}  // namespace wizard
