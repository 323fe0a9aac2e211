#include "wizard/app/cli/build_usb.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "wizard/app/cli/build_iso.h"
#include "wizard/app/cli/build_many.h"
#include "wizard/app/cli/build_record.h"
#include "wizard/app/cli/medium_digest.h"
#include "wizard/app/cli/reproducible_build.h"
#include "wizard/app/cli/share_check_cli.h"
#include "wizard/app/cli/terminal_reporter.h"
#include "wizard/app/pages/usb_drive_page.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/medium_verifier.h"
#include "wizard/media/linux/usb_discovery.h"
#include "wizard/media/linux/usb_hotplug_monitor.h"
#include "wizard/media/usb_media_builder.h"

namespace wizard::cli {

int BuildUsbFromCli(WizardSettings& settings, const CliOptions& options) {
    if (options.usbTargets.size() > 1)
        return BuildManyUsbFromCli(settings, options);
    const LinuxRoots roots;
    UsbDiskInfo disk;
    std::string error;
    const std::string& target = options.usbTargets.front();
    if (!OpenUsbTarget(roots, target, geteuid() == 0, disk, error)) {
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
        return kExitUsage;
    }
    const platform::WString programFolder = settings.Environment.ProgramFolder;
    BuildStamp stamp;
    if (!PrepareBuildStamp(options, programFolder, stamp))
        return kExitUsage;
    if (!CheckShareBeforeBuild(settings, options))
        return kExitFailed;  // as the logging page stays open
    settings.ChooseUsb = 1;
    settings.UsbDisks = {disk};
    settings.SelectedUsbDisk = 0;
    TerminalReporter reporter(options.yes);
    LinuxDiskAccess access(roots, stamp);
    MediumVerifier verifier(options.VerifiesMedium(), programFolder);
    const int64_t time = std::time(nullptr);
    settings.BuildResult = RunTerminalBuild(reporter, [&](BuildContext& build) {
        return UsbMediaBuilder(settings, build, access, programFolder, {}, stamp, &verifier)
            .BuildUsbDrive();
    });
    if (settings.BuildResult != kBuildNotCompleted && !verifier.Report().files.empty())
        RecordBuild(options.recordFolder, settings, DriveMedium(disk), verifier.Report(),
                    settings.BuildResult, time);
    if (settings.BuildResult == kBuildCreated && options.printDigest &&
        PrintMediumDigest(target) != kExitOk)
        return kBuildFailed;
    return settings.BuildResult;
}

namespace {

int PrintUsbList(WizardSettings& settings) {
    std::vector<std::string> unreadable;
    if (!RefreshUsbDisks(LinuxRoots{}, settings.UsbDisks, unreadable)) {
        std::fprintf(stderr, "mediawizard: the disks cannot be listed (no /sys/block)\n");
        return kExitFailed;
    }
    std::printf("Device\tDrive\tCapacity\tFree space\tFilesystem\tStatus\n");
    for (const UsbDiskInfo& disk : settings.UsbDisks) {
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", platform::ToUtf8(disk.DevicePath).c_str(),
                    platform::ToUtf8(pages::UsbDriveColumnText(disk)).c_str(),
                    platform::ToUtf8(disk.CapacityText).c_str(),
                    platform::ToUtf8(disk.FreeSpaceText).c_str(),
                    platform::ToUtf8(disk.FileSystem).c_str(),
                    platform::ToUtf8(pages::UsbDriveStatusText(disk)).c_str());
    }
    for (const std::string& why : unreadable)
        std::fprintf(stderr, "mediawizard: not listed: %s%s\n", why.c_str(),
                     geteuid() == 0 ? "" : " (reading a disk needs root rights)");
    return kExitOk;
}

}  // namespace

int ListUsbFromCli(WizardSettings& settings, const CliOptions& options) {
    if (!options.watch)
        return PrintUsbList(settings);
    UsbHotplugMonitor monitor;
    if (!monitor.IsOpen()) {
        std::fprintf(stderr, "mediawizard: device changes cannot be followed (no udev monitor)\n");
        return kExitFailed;
    }
    for (;;) {
        const int listed = PrintUsbList(settings);
        std::fflush(stdout);
        if (listed != kExitOk)
            return listed;
        while (!monitor.WaitForChange(60000)) {
        }
        std::printf("\n");
    }
}

}  // namespace wizard::cli
