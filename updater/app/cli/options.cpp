#include "updater/app/cli/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/text.h"
#include "updater/app/startup.h"
#include "updater/config/updater_records.h"

namespace updater::cli {
namespace {

const char kUsage[] =
    "usage: Renovo [auto | --versions | OPTION...]\n"
    "\n"
    "  (no arguments)            show the product's state and the Versions Information\n"
    "                            list, then ask whether to update now\n"
    "  auto                      the periodic check: checks only when one is due (auto\n"
    "                            with anything after it is the interactive run)\n"
    "  --versions                show the Versions Information list only\n"
    "\n"
    "Update Options (stored for the next runs):\n"
    "  --auto-update on|off      the periodic check\n"
    "  --period daily|weekly|monthly\n"
    "                            how often the periodic check looks for a new version\n"
    "  --confirm-download on|off ask before downloading and installing a new version\n"
    "  --site N                  use the configured download site N (0 is the first)\n"
    "  --download-folder DIR     where downloaded files are kept\n"
    "  --help                    this text\n"
    "\n"
    "Questions are asked on the terminal; without one each gets its safe answer (No, Later).\n"
    "Exit codes of a check (auto, or updating from the interactive run): 1 installed (auto:\n"
    "also already current), 0 the installer failed or did not report success, 2 cancelled,\n"
    "declined or refused (signature), 4 not re-installed or restart later, 255 the version\n"
    "description could not be fetched (or the update is switched off). auto exits with 0\n"
    "when no check is due; the interactive run with 2 when no update was asked for.\n"
    "64: a wrong command line.\n";

bool ParseSwitch(const std::string& option, const std::string& value, std::optional<bool>& out,
                 std::string& error) {
    if (value == "on" || value == "off") {
        out = value == "on";
        return true;
    }
    error = option + " takes on or off, not '" + value + "'";
    return false;
}

bool ParsePeriod(const std::string& value, std::optional<uint8_t>& out, std::string& error) {
    if (value == "daily")
        out = kPeriodDaily;
    else if (value == "weekly")
        out = kPeriodWeekly;
    else if (value == "monthly")
        out = kPeriodMonthly;
    else {
        error = "--period takes daily, weekly or monthly, not '" + value + "'";
        return false;
    }
    return true;
}

bool ParseSite(const std::string& value, std::optional<int32_t>& out, std::string& error) {
    char* end = nullptr;
    errno = 0;
    const long number = value.empty() || value[0] == '-' || value[0] == '+'
                            ? -1
                            : std::strtol(value.c_str(), &end, 10);
    if (number < 0 || errno != 0 || end == nullptr || *end != '\0' ||
        number >= static_cast<long>(kSiteCount)) {
        error = "--site takes the number of a configured download site (0 to " +
                std::to_string(kSiteCount - 1) + "), not '" + value + "'";
        return false;
    }
    out = static_cast<int32_t>(number);
    return true;
}

// One option with its value; false with an error.
bool ParseOption(const std::string& option, const std::string& value, OptionChanges& changes,
                 std::string& error) {
    if (option == "--auto-update")
        return ParseSwitch(option, value, changes.autoUpdate, error);
    if (option == "--confirm-download")
        return ParseSwitch(option, value, changes.confirmDownload, error);
    if (option == "--period")
        return ParsePeriod(value, changes.period, error);
    if (option == "--site")
        return ParseSite(value, changes.site, error);
    if (value.empty()) {
        error = "--download-folder takes a folder";
        return false;
    }
    changes.downloadFolder = value;
    return true;
}

bool TakesValue(const std::string& option) {
    return option == "--auto-update" || option == "--confirm-download" || option == "--period" ||
           option == "--site" || option == "--download-folder";
}

}  // namespace

const char* UsageText() {
    return kUsage;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    options = Options{};
    // The periodic check's command line is decided as on Windows, from the
    // arguments joined by blanks.
    std::vector<const char*> argv{"Renovo"};
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    if (StartModeOf(CommandLineOf(static_cast<int>(argv.size()), argv.data())) ==
        StartMode::Scheduled) {
        options.action = Action::Scheduled;
        return true;
    }
    // "auto" with anything after it (a blank, further arguments) is not the
    // periodic check's command line: it opens the interactive run, as it
    // opens the window on Windows.
    if (!args.empty() && args[0].size() >= 4 &&
        platform::EqualsIgnoreCase(platform::FromUtf8(args[0].substr(0, 4)), u"auto") &&
        args[0].find_first_not_of(' ', 4) == std::string::npos) {
        options.action = Action::Interactive;
        return true;
    }
    bool versions = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const size_t equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
        }
        if (option == "--help" && !value) {
            options.action = Action::Help;
            return true;
        }
        if (option == "--versions" && !value) {
            versions = true;
            continue;
        }
        if (!TakesValue(option)) {
            error = platform::EqualsIgnoreCase(platform::FromUtf8(option), u"auto")
                        ? "auto is the whole command line of the periodic check"
                        : "unknown argument '" + args[i] + "' (see Renovo --help)";
            return false;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                error = option + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (!ParseOption(option, *value, options.changes, error))
            return false;
    }
    if (versions && options.changes.Any()) {
        error = "--versions does not take Update Options";
        return false;
    }
    options.action = versions                ? Action::Versions
                     : options.changes.Any() ? Action::Settings
                                             : Action::Interactive;
    return true;
}

bool ApplyOptionChanges(const OptionChanges& changes, UpdaterState& state, std::string& error) {
    if (changes.site) {
        const DownloadSite* site = state.config.Site(*changes.site);
        if (site == nullptr || site->IsEmpty()) {
            error = "there is no download site " + std::to_string(*changes.site) +
                    " in the configuration";
            return false;
        }
    }
    platform::WString folder;
    if (changes.downloadFolder) {
        std::error_code failure;
        const std::filesystem::path absolute =
            std::filesystem::absolute(std::filesystem::path(*changes.downloadFolder), failure);
        folder = platform::FromUtf8(failure ? *changes.downloadFolder : absolute.string());
        while (folder.size() > 1 && folder.back() == u'/')
            folder.pop_back();
        if (folder.size() >= kDownloadFolderCapacity) {
            error = "the download folder may have at most " +
                    std::to_string(kDownloadFolderCapacity - 1) + " characters";
            return false;
        }
    }
    UpdateSettings& settings = state.settings;
    if (changes.autoUpdate)
        settings.autoUpdateOff = *changes.autoUpdate ? 0 : 1;
    if (changes.period)
        settings.period = *changes.period;
    if (changes.confirmDownload)
        settings.confirmDownload = *changes.confirmDownload ? 1 : 0;
    if (changes.site)
        settings.siteIndex = *changes.site;
    if (changes.downloadFolder)
        state.downloadFolder = folder;
    return true;
}

}  // namespace updater::cli
