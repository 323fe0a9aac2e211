// Start-up of the update program, shared by its front ends (the Win32 program
// and the Linux command line): the configuration, the settings and download
// folder of the main window's record, the product's master switch, the
// decision between the scheduled check ("auto") and the interactive window,
// and the scheduled check itself.
//
// A front end calls StartUp once, then DecideStart; when the decision opens
// the window, the window's end value becomes the exit code. Exit codes are
// the program's: -1 is the process exit code 255 on Linux.
//
// Runs on the program's main thread before any window exists.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "updater/app/update_check.h"
#include "updater/app/update_state.h"
#include "updater/support/message_owner.h"
#include "updater/support/string_resources.h"

namespace updater {

constexpr char16_t kScheduledCommandLine[] = u"auto";
constexpr char16_t kProductKeyPattern[] = u"Software\\Korvane\\%s";
constexpr char16_t kMasterSwitchValue[] = u"EnableAutoUpdate";

// Exit codes besides the check results.
constexpr int kExitNothingDue = 0;    // "auto": switched off or not due
constexpr int kExitSwitchedOff = -1;  // interactive start with the master switch off
constexpr int kSecondsPerDay = 86400;

// The main window's pages a start opens.
constexpr int kStartPageOptions = 0;
constexpr int kStartPageVersions = 1;

enum class StartMode { Scheduled, Interactive };

// "auto" (any case) as the whole command line runs the scheduled check;
// anything else, also "auto" with a blank or a further argument, the window.
StartMode StartModeOf(platform::WStringView commandLine);
// The command line of a program started with arguments (argv after the
// program's name, UTF-8), joined by single blanks.
platform::WString CommandLineOf(int argc, const char* const* argv);

struct StartUpOptions {
    platform::WString programFolder;  // empty: the running program's folder
    platform::WString tempFolder;     // empty: the system's temporary folder
};

// Loads the title (string 103), renovo.cfg (a failure is shown to
// configOwner and every value keeps its default), the installed folder, the
// main window's record (its settings and download folder replace the
// defaults), makes the default download folder when none is stored, and
// reads the master switch.
void StartUp(UpdaterState& state, MessageOwner& configOwner, const StringResources& strings,
             const StartUpOptions& options = {});

// The product's master switch "EnableAutoUpdate" under HKEY_CURRENT_USER
// "Software\Korvane\<product>": at most one byte is read; a read that fails
// (key or value missing, a longer value) counts as on, a 0 byte as off.
bool ReadMasterSwitch(platform::WStringView productName);

// Whether the scheduled check is due at now (calendar seconds): whole days
// since the last check reach the period's 1, 7 or 30 days; never for another
// period value, nor before a last check that lies in the future.
bool ScheduledCheckDue(const UpdateSettings& settings, int64_t now);

// The scheduled check: nothing (kExitNothingDue) when the settings or the
// master switch say off or no check is due; else UpdateCheck without
// questions about a current product or messages about failed downloads.
// Returns the exit code; when the user asked for details, openWindowOnDetails
// is set, the run is interactive from then on and the window opens on its
// Versions page.
int RunScheduledCheck(UpdaterState& state, UpdateServices& services, bool& openWindowOnDetails);

// The interactive start's check of the master switch: when it is off, shows
// string 116 with the product name to owner (caption: the title, error icon)
// and returns false; the program then exits with kExitSwitchedOff.
bool InteractiveStartAllowed(const UpdaterState& state, MessageOwner& owner,
                             const StringResources& strings);

struct StartDecision {
    bool openWindow = false;
    int startPage = kStartPageOptions;  // when the window opens
    int exitCode = 0;                   // when it does not
};

// The whole decision after StartUp: the scheduled check for "auto", the
// master switch for the window; messages go to owner (the desktop window).
StartDecision DecideStart(UpdaterState& state, UpdateServices& services,
                          platform::WStringView commandLine, MessageOwner& owner);

}  // namespace updater
