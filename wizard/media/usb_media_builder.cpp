#include "wizard/media/usb_media_builder.h"

#include <utility>

#include "platform/files.h"
#include "platform/process.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/config_archive.h"
#include "wizard/media/build_messages.h"
#include "wizard/media/usb_disk_status.h"

namespace wizard {
namespace {

using platform::JoinPath;
using platform::WString;

// The volume's size as the own writer and the formatter use it.
void SetVolumeSize(UsbDiskInfo& disk, uint64_t bytes) {
    disk.VolumeBytes = bytes;
    disk.TotalKB = ClampedKB(bytes);
}

}  // namespace

UsbMediaBuilder::UsbMediaBuilder(WizardSettings& settings, BuildContext& build, DiskAccess& access,
                                 WString programFolder, WString tempFolder, BuildStamp stamp,
                                 MediumCheck* check)
    : settings_(settings),
      build_(build),
      access_(access),
      programFolder_(std::move(programFolder)),
      tempFolder_(tempFolder.empty() ? platform::TempFolder() : std::move(tempFolder)),
      stamp_(stamp),
      check_(check) {}

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
    if (!build_.ReportStep(u"Allocating memory...", 40) || !StageFiles() || !Unmount(disk, 80) ||
        !CopyFiles(disk) || !InstallBootLoader(disk) || !CheckMedium(disk))
        return false;
    if (!build_.ReportStep(u"Cleaning up temporary files...", 99))
        return false;
    platform::DeleteTree(stage_);
    stage_.clear();
    return build_.ReportStep(u"Finished.", 100);
}

std::unique_ptr<Disk> UsbMediaBuilder::Hold(const UsbDiskInfo& disk, DiskUse use) {
    WString why;
    std::unique_ptr<Disk> held = access_.OpenDisk(disk, use, why);
    if (!held && !why.empty())
        Stop(why);
    return held;
}

bool UsbMediaBuilder::CheckIdentity(const UsbDiskInfo& disk) {
    return Hold(disk, DiskUse::Tools) != nullptr;
}

bool UsbMediaBuilder::StillSame(Disk& held) {
    WString why;
    if (held.IsSame(why))
        return true;
    Stop(why);
    return false;
}

void UsbMediaBuilder::Stop(const WString& why) {
    Fail(why.empty() ? WString(u"the USB removable disk was replaced or removed; nothing more was "
                               u"written.")
                     : why);
    reported_ = true;
}

bool UsbMediaBuilder::Unmount(const UsbDiskInfo& disk, int position) {
    std::vector<WString> unmounted;
    WString why;
    bool none = false;
    {
        const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
        if (!held)
            return false;
        none = access_.Dismount(*held, disk, unmounted, why);
    }
    for (const WString& line : unmounted)
        if (!build_.ReportStep(line, position))
            return false;
    if (!none)
        Fail(why);
    return none;
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
    // The drive written is the drive confirmed: the unmount holds the disk
    // only once it shows the identity, so one put in its place while the
    // question waited is not touched. A volume the system mounted (a desktop
    // does so when a stick arrives) would keep the disk from being opened for
    // writing.
    if (!Unmount(disk, 15))
        return false;
    if (!disk.HasPartitionTable) {
        if (!build_.ReportStep(u"Creating MBR sector on the USB removable disk...", 20))
            return false;
        // The identity before the lock, and again through the locking handle.
        if (!CheckIdentity(disk))
            return false;
        std::unique_ptr<LockedVolume> lock = access_.LockVolume(disk);
        if (!lock) {
            build_.ShowBuildError(kMsgVolumeBusy);
            return false;
        }
        // Asked through the locking handle: on Windows no other handle
        // reaches a locked volume.
        WString why;
        if (!lock->IsSame(disk.Identity, why)) {
            Stop(why);
            return false;
        }
        const bool made = CreatePartitionTable(disk);
        lock.reset();
        if (!made) {
            if (!reported_)
                build_.ShowBuildError(disk.VolumeBytes >= kMbrLimitBytes ? kMsgNotFormatted
                                                                         : kMsgMbrFailed);
            return false;
        }
    } else if (!TakeKeptPartitionStart(disk)) {
        if (!reported_)
            build_.ShowBuildError(kMsgNotFormatted);
        return false;
    }
    if (!build_.ReportStep(u"Formatting the USB removable disk...", 25))
        return false;
    long startError = 0;
    uint32_t exitCode = 0;
    if (!FormatVolume(disk, startError, exitCode)) {
        if (!build_.StopRequested() && !reported_)
            build_.ShowBuildError(kMsgNotFormatted);
        return false;
    }
    return true;
}

bool UsbMediaBuilder::TakeKeptPartitionStart(UsbDiskInfo& disk) {
    // The boot sector's hidden sectors must be the real first sector (63,
    // 2048, ...) of the volume's own partition, in whichever slot it is.
    std::unique_ptr<Disk> opened = Hold(disk, DiskUse::Tools);
    DriveLayout layout;
    uint64_t start = 0;
    if (!opened || !opened->ReadLayout(layout) || !access_.VolumeStartSector(disk, start) ||
        start == 0)
        return false;
    for (const PartitionEntry& p : layout.Partitions) {
        if (p.Length != 0 && p.Type != kPartitionTypeGptProtective &&
            p.StartingOffset == start * kSectorBytes) {
            disk.PartitionStartSector = start;
            return true;
        }
    }
    return false;
}

bool UsbMediaBuilder::CreatePartitionTable(UsbDiskInfo& disk) {
    std::unique_ptr<Disk> opened = Hold(disk, DiskUse::Write);
    DiskGeometry geometry;
    DriveLayout found;
    uint64_t size = 0;
    if (!opened || !opened->ReadGeometry(geometry) || !opened->ReadLayout(found) ||
        !opened->ReadSize(size))
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
    // No GUID partition table may outlive the new MBR: its header and entries
    // at the start (sectors 1-33) and their backup in the last sectors go
    // with the first and the last MiB.
    static const std::array<uint8_t, 1 << 20> zeros{};
    const uint64_t end = size / kSectorBytes * kSectorBytes;
    if (end < zeros.size() || !opened->Write(0, zeros) || !opened->Write(end - zeros.size(), zeros))
        return false;
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
    const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
    if (!held)
        return false;
    const WString commandLine = access_.FormatterCommandLine(*held, disk, kUsbVolumeLabel);
    const bool formatted = RunTool(commandLine, startError, exitCode) && exitCode == 0;
    return StillSame(*held) && formatted;
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
    if (!CheckIdentity(disk))
        return false;
    std::unique_ptr<LockedVolume> volume = access_.LockVolume(disk);
    if (!volume)
        return false;
    WString why;
    if (!volume->IsSame(disk.Identity, why)) {
        Stop(why);
        return false;
    }
    const uint64_t sectors = uint64_t{disk.TotalKB} * 2;
    if (!WriteFat32(*volume, sectors, static_cast<uint32_t>(disk.PartitionStartSector),
                    SerialNumber(stamp_, StampSerial::VolumeSerial)))
        return false;
    volume.reset();
    const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
    if (!held)
        return false;
    access_.LabelVolume(*held, disk, kUsbVolumeLabel);  // a label is not worth a failed build
    return StillSame(*held);
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
    const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
    if (!held)
        return false;
    const bool copied = access_.CopyToVolume(*held, disk, stage_);
    if (!StillSame(*held))
        return false;
    if (!copied) {
        // Whether the drive still takes writes tells a drive that turned
        // read-only (or failed) from a copy that failed on the volume.
        WString why;
        const bool writable = access_.OpenDisk(disk, DiskUse::Write, why) != nullptr;
        Fail(u"cannot copy the files to the USB removable disk" +
             (writable || why.empty() ? WString(u".") : u": " + why));
        return false;
    }
    return true;
}

bool UsbMediaBuilder::InstallBootLoader(const UsbDiskInfo& disk) {
    if (!build_.ReportStep(u"Running syslinux.exe utility ...", 90))
        return false;
    long startError = 0;
    uint32_t exitCode = 1;
    bool ran = false;
    {
        const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
        if (!held)
            return false;
        ran = RunTool(access_.InstallerCommandLine(*held, disk, programFolder_), startError,
                      exitCode);
        if (!StillSame(*held))
            return false;
    }
    if (build_.StopRequested())
        return false;
    if (startError != 0) {
        build_.ShowBuildError(kMsgSyslinuxFailed);
        return false;
    }
    if (!build_.ReportStep(u"Checking result returned by syslinux.exe utility ...", 95))
        return false;
    // The boot code is written through a handle that shows the confirmed disk.
    std::unique_ptr<Disk> held;
    if (ran && exitCode == 0)
        held = Hold(disk, DiskUse::Write);
    if (reported_)
        return false;
    if (!held || !access_.VolumeHasFile(*held, disk, u"ldlinux.sys") ||
        !access_.FinishBootLoader(*held, disk, programFolder_)) {
        Fail(u"the SYSLINUX utility did not make the drive bootable.");
        return false;
    }
    return true;
}

bool UsbMediaBuilder::CheckMedium(const UsbDiskInfo& disk) {
    if (check_ == nullptr)
        return true;
    const std::unique_ptr<Disk> held = Hold(disk, DiskUse::Tools);
    if (!held)
        return false;
    WString why;
    const bool same = check_->CheckUsbDrive(build_, *held, disk, stage_, why);
    if (!StillSame(*held))
        return false;
    if (!same && !build_.StopRequested())
        Fail(why);
    return same;
}

}  // namespace wizard
