#include "updater/install/installer.h"

#include "updater/support/formatter.h"
#include "updater/verify/held_file.h"

namespace updater {
namespace {

// The message box text is at most this long, as the update flow shows it.
constexpr size_t kMessageCapacity = 1024;

// A start failure, a declined prompt and a crash as the result numbers above.
long ResultOf(const LaunchReport& report) {
    if (!report.started) {
        switch (report.exitCode) {
            case kLaunchNotSplit:
            case kLaunchNoElevation:
            case kErrorCancelled:
                return report.exitCode;
            default:
                return kLaunchNotSplit;  // a system error number of the start
        }
    }
    if (report.end == ExitStatus::Kind::Crashed || report.exitCode < 0)
        return kLaunchNotSplit;
    return report.exitCode;
}

}  // namespace

bool InstallerCommandLine(platform::WStringView path, bool withSwitch, platform::WString& line) {
    line.clear();
    if (path.empty() || path.find(u'"') != platform::WStringView::npos)
        return false;
    platform::WString built = u"\"";
    built += path;
    built += u"\"";
    if (withSwitch)
        built += kInstallerSwitch;
    if (built.size() >= kInstallerCommandCapacity)
        return false;
    line = std::move(built);
    return true;
}

long RunInstaller(InstallerContext& context, platform::WStringView path, bool wait,
                  bool withSwitch) {
    const platform::WString opened =
        context.openPath.empty() ? platform::WString(path) : context.openPath;
    MakeInstallerExecutable(opened);
    // Held from the check until the start, so the file that runs is the one checked.
    HeldFile file;
    if (file.Open(opened) == 0)
        file.MakePrivateCopy();
    const bool passed = file.IsOpen() ? context.signatureCheck.CheckFile(file)
                                      : context.signatureCheck.CheckFile(opened);
    if (!passed) {
        const platform::WString reason = platform::FromUtf8(context.signatureCheck.Reason());
        const platform::WString text =
            FormatToString(kMessageCapacity, kSignatureMessage, platform::WString(path), reason);
        context.messages.Show(text, context.title, kMessageErrorIcon);
        return kLaunchNoElevation;
    }
    file.CutToSignedContent();
    platform::WString line;
    if (!InstallerCommandLine(path, withSwitch, line))
        return kLaunchNotSplit;
    if (file.IsOpen() && (!file.Unchanged() || !file.Unchanged(path)))
        return kLaunchNotSplit;
    LaunchReport report;
    report.exitCode = -1;
    std::unique_ptr<StartedProcess> process =
        LaunchProcess(context.starter, line, WaitMode::Return, false, {}, report, true,
                      context.ownerWindow, file.IsOpen() ? &file : nullptr);
    file.Close();
    if (!process || !wait)
        return ResultOf(report);
    WaitAndReport(*process, report);
    return ResultOf(report);
}

}  // namespace updater
