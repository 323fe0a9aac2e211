// Running the product's installer: its signature is checked, then it is
// started with " -H" (through the consent prompt when needed) and waited for.
//
// Result: the installer's exit code (bits: 1 installed, 2 restart needed,
// 4 cancelled), or
//   -2    the signature check refused the file (a message was shown), or
//         elevation was needed but is not available
//   -1    nothing ran to its end: the command line could not be built or
//         split, the start failed, the file changed after its check, or the
//         installer crashed (a negative exit code, or a signal on Linux)
//   1223  the user declined the consent prompt
// A start failure or a crash is never passed on as exit code bits.
//
// Runs on the thread of the update flow; a wait blocks only that thread.
#pragma once

#include "platform/text.h"
#include "updater/install/launch.h"
#include "updater/support/message_owner.h"
#include "updater/verify/signature_check.h"

namespace updater {

constexpr char16_t kSignatureMessage[] = u"File '%s' signature is invalid\nError '%s'";
constexpr char16_t kInstallerSwitch[] = u" -H";
// The longest command line built for the installer, with its terminator.
constexpr size_t kInstallerCommandCapacity = 360;

struct InstallerContext {
    ProcessStarter& starter;
    CSignatureCheck& signatureCheck;
    MessageOwner& messages;   // shows the refusal
    platform::WString title;  // caption of the refusal (string 103)
    void* ownerWindow = nullptr;
    // The path the file is opened by (through the held download folder);
    // empty: the installer's path.
    platform::WString openPath;
};

// The installer's command line, "\"<path>\"" plus " -H" when withSwitch; false
// when the path holds a quote or the line would not fit the capacity (a cut
// line would name another program).
bool InstallerCommandLine(platform::WStringView path, bool withSwitch, platform::WString& line);

// The file is held from its check to its start; what a direct start runs is
// the checked bytes themselves (Linux: the private copy of held_file.h, cut at
// its signed content), and a start through the consent prompt, which names
// the file by its path, runs only while path still names the checked file.
long RunInstaller(InstallerContext& context, platform::WStringView path, bool wait,
                  bool withSwitch);

// Makes a downloaded installer executable (Linux: execute permission where it
// may be read, on the file itself, never through a link; Windows: nothing to
// do). False when that fails.
bool MakeInstallerExecutable(platform::WStringView path);

}  // namespace updater
