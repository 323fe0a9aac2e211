#include "wizard/app/cli/build_many.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>

#include "wizard/app/cli/build_iso.h"
#include "wizard/app/cli/build_record.h"
#include "wizard/app/cli/drive_board.h"
#include "wizard/app/cli/medium_digest.h"
#include "wizard/app/cli/reproducible_build.h"
#include "wizard/app/cli/share_check_cli.h"
#include "wizard/app/cli/terminal_reporter.h"
#include "wizard/media/build_messages.h"
#include "wizard/media/linux/linux_disk_access.h"
#include "wizard/media/linux/usb_discovery.h"
#include "wizard/media/usb_disk_status.h"
#include "wizard/media/usb_media_builder.h"

namespace wizard::cli {
namespace {

using Clock = std::chrono::steady_clock;

// How long a cancel waits for all the drives' workers together.
constexpr std::chrono::milliseconds kCancelGrace(4000);

// One drive's build: everything of its own.
struct DriveRun {
    WizardSettings settings;
    std::unique_ptr<LinuxDiskAccess> access;
    std::unique_ptr<MediumVerifier> verifier;
    std::unique_ptr<DriveReporter> reporter;
    std::unique_ptr<BuildWorker> worker;
    Clock::time_point start, end;
    int result = kBuildNotCompleted;  // set by the worker as its last act (under the run's lock)
    bool stopped = false;             // ended after a cancel, within the limit
};

// On a terminal the drives' lines are drawn in place, which the tools' own
// output (mkfs.fat's banner, warnings) would break: while the drives are
// built, the tools write to /dev/null and the board to the terminal.
class ToolOutputAside {
  public:
    ToolOutputAside(bool active, std::FILE* out) : stream_(out) {
        if (!active)
            return;
        std::fflush(nullptr);
        const int board = dup(fileno(out));
        const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
        saved_[0] = dup(STDOUT_FILENO);
        saved_[1] = dup(STDERR_FILENO);
        std::FILE* terminal = board >= 0 ? fdopen(board, "w") : nullptr;
        if (terminal == nullptr || null < 0 || saved_[0] < 0 || saved_[1] < 0) {
            if (terminal != nullptr)
                std::fclose(terminal);
            else if (board >= 0)
                close(board);
            for (int fd : {null, saved_[0], saved_[1]})
                if (fd >= 0)
                    close(fd);
            saved_[0] = saved_[1] = -1;
            return;
        }
        stream_ = terminal;
        own_ = terminal;
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        close(null);
    }
    ~ToolOutputAside() {
        Restore();
        if (own_ != nullptr)
            std::fclose(own_);
    }
    // Gives the tools' output back; the board's stream stays open (a worker
    // that did not stop may still write a line to it).
    void Restore() {
        if (saved_[0] < 0)
            return;
        std::fflush(nullptr);
        dup2(saved_[0], STDOUT_FILENO);
        dup2(saved_[1], STDERR_FILENO);
        close(saved_[0]);
        close(saved_[1]);
        saved_[0] = saved_[1] = -1;
    }
    ToolOutputAside(const ToolOutputAside&) = delete;
    ToolOutputAside& operator=(const ToolOutputAside&) = delete;
    std::FILE* Stream() const { return stream_; }

  private:
    std::FILE* stream_;
    std::FILE* own_ = nullptr;
    int saved_[2] = {-1, -1};
};

size_t TerminalWidth(std::FILE* out) {
    struct winsize size {};
    return ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

// Raises every stop flag at once (killing the running tools), then waits for
// the workers with one limit for all of them.
void StopAll(std::vector<std::unique_ptr<DriveRun>>& runs) {
    for (auto& run : runs)
        run->stopped = run->worker->Cancel(std::chrono::milliseconds(0));
    const Clock::time_point deadline = Clock::now() + kCancelGrace;
    for (auto& run : runs) {
        if (!run->stopped)
            run->stopped = run->worker->Cancel(std::max(
                std::chrono::milliseconds(0),
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())));
    }
}

std::string ResultText(const DriveRun& run, int result, DriveBoard& board, size_t drive) {
    if (result == kBuildCreated)
        return run.verifier->Report().verification == Verification::Passed ? "created, verified"
                                                                           : "created";
    if (result == kBuildFailed) {
        const std::string reason = board.Reason(drive);
        return reason.empty() ? "failed" : "failed: " + reason;
    }
    return run.stopped ? "incomplete: cancelled"
                       : "incomplete: still running when the program ended";
}

bool SameDrive(const UsbDiskInfo& a, const UsbDiskInfo& b) {
    return a.Identity.Device == b.Identity.Device && a.Identity.Inode == b.Identity.Inode;
}

// One question for every drive that the run may overwrite; true when none
// needs one.
bool ConfirmDrives(const std::vector<UsbDiskInfo>& disks, bool yes) {
    std::string list;
    bool overwrites = false;
    for (const UsbDiskInfo& disk : disks) {
        const RecordedMedium medium = DriveMedium(disk);
        overwrites = overwrites || disk.FormatNeed != 0;
        list += "  " + platform::ToUtf8(DriveName(disk)) + "  " +
                (medium.model.empty() ? "" : medium.model + "  ") +
                platform::ToUtf8(SizeText(1, 1024, disk.Identity.Bytes / 1024)) +
                (medium.serial.empty() ? "" : "  serial " + medium.serial) +
                (disk.FormatNeed != 0 ? "  (overwritten whole)" : "  (its files are replaced)") +
                "\n";
    }
    if (!overwrites)
        return true;
    TerminalReporter reporter(yes);
    return reporter.AskYesNo(kBuildErrorCaption,
                             platform::FromUtf8("These " + std::to_string(disks.size()) +
                                                " drives are made bootable at once; the answer "
                                                "applies to all of them:\n" +
                                                list + "\n") +
                                 BuildErrorText(kMsgConfirmOverwrite));
}

}  // namespace

int BuildDrives(const WizardSettings& settings, const std::vector<UsbDiskInfo>& disks,
                const CliOptions& options, const BuildStamp& stamp, std::FILE* out,
                const DriveRunHooks& hooks) {
    const bool terminal = isatty(fileno(out)) != 0;
    std::vector<std::string> names;
    for (const UsbDiskInfo& disk : disks)
        names.push_back(platform::ToUtf8(DriveName(disk)));
    ToolOutputAside aside(terminal, out);
    DriveBoard board(names, aside.Stream(), terminal, TerminalWidth(out));
    std::mutex mutex;
    std::condition_variable changed;
    size_t finished = 0;
    const platform::WString programFolder = settings.Environment.ProgramFolder;
    const int64_t startTime = std::time(nullptr);
    // Every disk access before any worker starts: their constructors set the
    // environment the tools read.
    std::vector<std::unique_ptr<DriveRun>> runs;
    for (size_t i = 0; i < disks.size(); ++i) {
        auto run = std::make_unique<DriveRun>();
        run->settings = settings;
        run->settings.ChooseUsb = 1;
        run->settings.UsbDisks = {disks[i]};
        run->settings.SelectedUsbDisk = 0;
        run->access = std::make_unique<LinuxDiskAccess>(LinuxRoots{}, stamp);
        run->verifier = std::make_unique<MediumVerifier>(options.VerifiesMedium(), programFolder);
        if (hooks.beforeReadBack)
            run->verifier->beforeReadBack = [&hooks, i] { hooks.beforeReadBack(i); };
        std::function<void(const std::string&)> onStep;
        if (hooks.onStep)
            onStep = [&hooks, i](const std::string& step) { hooks.onStep(i, step); };
        run->reporter = std::make_unique<DriveReporter>(board, i, true, std::move(onStep));
        run->worker = std::make_unique<BuildWorker>(*run->reporter, StepPause());
        runs.push_back(std::move(run));
    }
    const InterruptWatch watch;
    board.Start();
    for (auto& r : runs) {
        DriveRun* run = r.get();
        run->start = Clock::now();
        run->worker->Start(
            [run, &programFolder, &stamp](BuildContext& build) {
                return UsbMediaBuilder(run->settings, build, *run->access, programFolder, {}, stamp,
                                       run->verifier.get())
                    .BuildUsbDrive();
            },
            [run, &mutex, &changed, &finished](int result) {
                std::lock_guard<std::mutex> lock(mutex);
                run->result = result;
                run->end = Clock::now();
                ++finished;
                changed.notify_all();
            });
    }
    bool cancelled = false;
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (finished < runs.size() && !cancelled) {
            changed.wait_for(lock, std::chrono::milliseconds(50));
            cancelled = watch.Interrupted();
        }
    }
    if (cancelled)
        StopAll(runs);
    // The results as they stand now: a worker that ends later is not waited for.
    std::vector<int> results;
    std::vector<DriveOutcome> rows;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (size_t i = 0; i < runs.size(); ++i) {
            const DriveRun& run = *runs[i];
            results.push_back(run.result);
            const Clock::time_point end = run.result == kBuildNotCompleted ? Clock::now() : run.end;
            const std::string serial = platform::ToUtf8(disks[i].Identity.Serial);
            rows.push_back({names[i], serial.empty() ? "-" : serial,
                            ResultText(run, run.result, board, i),
                            std::chrono::duration<double>(end - run.start).count()});
        }
    }
    aside.Restore();
    std::fprintf(out, "%s%s", cancelled ? "\nCancelled.\n" : "\n", ResultTable(rows).c_str());
    std::fflush(out);
    bool stuck = false;
    for (size_t i = 0; i < runs.size(); ++i) {
        stuck = stuck || (results[i] == kBuildNotCompleted && !runs[i]->stopped);
        if (results[i] != kBuildNotCompleted)
            RecordBuild(options.recordFolder, runs[i]->settings, DriveMedium(disks[i]),
                        runs[i]->verifier->Report(), results[i], startTime);
        if (results[i] == kBuildCreated && options.printDigest)
            PrintMediumDigest(platform::ToUtf8(disks[i].DevicePath));
    }
    const auto count = [&](int result) {
        return std::count(results.begin(), results.end(), result);
    };
    const int exitCode = count(kBuildCreated) == static_cast<long>(results.size()) ? kBuildCreated
                         : count(kBuildNotCompleted) != 0 ? kBuildNotCompleted
                                                          : kBuildFailed;
    if (stuck) {
        // A worker that did not stop is detached and shows nothing more; it
        // is not waited for.
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}

int BuildManyUsbFromCli(WizardSettings& settings, const CliOptions& options) {
    const LinuxRoots roots;
    std::vector<UsbDiskInfo> disks;
    for (const std::string& target : options.usbTargets) {
        UsbDiskInfo disk;
        std::string error;
        if (!OpenUsbTarget(roots, target, geteuid() == 0, disk, error)) {
            std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
            return kExitUsage;
        }
        for (size_t i = 0; i < disks.size(); ++i) {
            if (SameDrive(disks[i], disk)) {
                std::fprintf(stderr, "mediawizard: %s and %s are the same drive\n",
                             options.usbTargets[i].c_str(), target.c_str());
                return kExitUsage;
            }
        }
        disks.push_back(disk);
    }
    BuildStamp stamp;
    if (!PrepareBuildStamp(options, settings.Environment.ProgramFolder, stamp))
        return kExitUsage;
    if (!CheckShareBeforeBuild(settings, options))
        return kExitFailed;  // as the logging page stays open
    if (!ConfirmDrives(disks, options.yes)) {
        std::fprintf(stderr, "mediawizard: nothing was written.\n");
        return kBuildFailed;
    }
    settings.ChooseUsb = 1;
    settings.BuildResult = BuildDrives(settings, disks, options, stamp, stdout);
    return settings.BuildResult;
}

}  // namespace wizard::cli
