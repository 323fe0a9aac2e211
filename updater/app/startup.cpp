#include "updater/app/startup.h"

#include <limits>

#include "platform/files.h"
#include "platform/registry.h"
#include "updater/app/download_folder.h"
#include "updater/app/flow_text.h"
#include "updater/app/updater_strings.h"
#include "updater/support/formatter.h"

namespace updater {
namespace {

// Room for the key pattern and the longest product name.
constexpr size_t kKeyCapacity = 260;

// The days a period waits; 0 for a value that is no period.
int64_t PeriodDays(uint8_t period) {
    switch (period) {
        case kPeriodDaily:
            return 1;
        case kPeriodWeekly:
            return 7;
        case kPeriodMonthly:
            return 30;
        default:
            return 0;
    }
}

platform::WString WithTrailingSeparator(platform::WString folder) {
    if (folder.empty() || !platform::IsSeparator(folder.back()))
        folder += platform::kPathSeparator;
    return folder;
}

}  // namespace

StartMode StartModeOf(platform::WStringView commandLine) {
    return platform::EqualsIgnoreCase(commandLine, kScheduledCommandLine) ? StartMode::Scheduled
                                                                          : StartMode::Interactive;
}

platform::WString CommandLineOf(int argc, const char* const* argv) {
    platform::WString line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += u' ';
        line += platform::FromUtf8(argv[i] != nullptr ? argv[i] : "");
    }
    return line;
}

void StartUp(UpdaterState& state, MessageOwner& configOwner, const StringResources& strings,
             const StartUpOptions& options) {
    state.title = LoadFlowText(strings, kStrTitle, kTitleCapacity);
    const platform::WString folder =
        options.programFolder.empty() ? platform::ProgramFolder() : options.programFolder;
    // A failure has been shown; the run goes on with the defaults.
    LoadUpdateConfig(platform::JoinPath(folder, kConfigFileName), &configOwner, state.config);
    state.installedFolder = WithTrailingSeparator(folder);

    state.mainRecord.Prepare(state.config.productName);
    state.settings = UpdateSettings::FromConfig(state.config);
    platform::WString stored;
    state.mainRecord.Read(nullptr, state.settings, stored);
    if (!stored.empty())
        state.downloadFolder = stored;
    else
        MakeDefaultDownloadFolder(state.downloadFolder, state.config.productName,
                                  options.tempFolder);
    state.autoUpdateEnabled = ReadMasterSwitch(state.config.productName);
}

bool ReadMasterSwitch(platform::WStringView productName) {
    const platform::WString path = FormatToString(kKeyCapacity, kProductKeyPattern, productName);
    platform::RegistryKey key;
    if (key.Open(platform::Hive::CurrentUser, path, platform::kKeyRead) != platform::kErrorSuccess)
        return true;
    // An empty value reads no byte and leaves the switch on.
    uint8_t value = 1;
    uint32_t size = 1;
    if (key.Query(kMasterSwitchValue, nullptr, &value, &size) != platform::kErrorSuccess)
        return true;
    return value != 0;
}

bool ScheduledCheckDue(const UpdateSettings& settings, int64_t now) {
    const int64_t days = PeriodDays(settings.period);
    if (days == 0)
        return false;
    // The difference in 64 bits: the elapsed time keeps its sign past 2038.
    // One that does not fit either way is as far off as can be.
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const int64_t last = settings.lastCheck;
    if (last < 0 && now > kMax + last)
        return true;
    if (last > 0 && now < kMin + last)
        return false;
    return (now - last) / kSecondsPerDay >= days;
}

int RunScheduledCheck(UpdaterState& state, UpdateServices& services, bool& openWindowOnDetails) {
    openWindowOnDetails = false;
    if (state.settings.autoUpdateOff != 0 || !state.autoUpdateEnabled)
        return kExitNothingDue;
    if (!ScheduledCheckDue(state.settings, services.clock()))
        return kExitNothingDue;
    state.interactiveMode = 0;
    const int result = UpdateCheck(state, services, true);
    if (result == kCheckViewDetails) {
        // The window that opens now is an interactive run: its failures are
        // shown and a current product is asked about.
        state.interactiveMode = 1;
        openWindowOnDetails = true;
    }
    return result;
}

bool InteractiveStartAllowed(const UpdaterState& state, MessageOwner& owner,
                             const StringResources& strings) {
    if (state.autoUpdateEnabled)
        return true;
    const platform::WString text = FormatToString(
        kFlowTextCapacity, LoadFlowText(strings, kStrDisabled), state.config.productName);
    owner.Show(text, state.title, kMessageErrorIcon);
    return false;
}

StartDecision DecideStart(UpdaterState& state, UpdateServices& services,
                          platform::WStringView commandLine, MessageOwner& owner) {
    StartDecision decision;
    if (StartModeOf(commandLine) == StartMode::Scheduled) {
        bool details = false;
        decision.exitCode = RunScheduledCheck(state, services, details);
        if (!details)
            return decision;
        decision.startPage = kStartPageVersions;
    } else if (!InteractiveStartAllowed(state, owner, services.strings)) {
        decision.exitCode = kExitSwitchedOff;
        return decision;
    }
    decision.openWindow = true;
    return decision;
}

}  // namespace updater
