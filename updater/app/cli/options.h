// The update program's command line on Linux: what the user asked for, parsed
// from argv, and the Update Options page's settings applied from it the way
// the page stores its controls. Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "updater/app/update_state.h"

namespace updater::cli {

// Exit codes besides a check's result.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 64;

enum class Action {
    Interactive,  // no arguments: the status, the list and the question to update now
    Scheduled,    // "auto": the periodic check
    Versions,     // --versions: the Versions Information list only
    Settings,     // only options of the Update Options page: store them
    Help,
};

// The Update Options page's controls, as far as the command line sets them.
struct OptionChanges {
    std::optional<bool> autoUpdate;             // --auto-update on|off
    std::optional<uint8_t> period;              // --period daily|weekly|monthly
    std::optional<bool> confirmDownload;        // --confirm-download on|off
    std::optional<int32_t> site;                // --site N
    std::optional<std::string> downloadFolder;  // --download-folder DIR

    bool Any() const { return autoUpdate || period || confirmDownload || site || downloadFolder; }
};

struct Options {
    Action action = Action::Interactive;
    OptionChanges changes;
};

// The usage text printed by --help.
const char* UsageText();

// Parses the arguments after the program name. "auto" (any case) is the
// scheduled run only as the whole command line. False with a one-line error
// for anything it does not understand.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// Applies the changes to the settings and the download folder, as the page
// stores its controls. The site must be one of the configured sites with a
// host; the folder becomes an absolute path of at most 259 units. False with
// a one-line error, and nothing changed, when a value is refused.
bool ApplyOptionChanges(const OptionChanges& changes, UpdaterState& state, std::string& error);

}  // namespace updater::cli
