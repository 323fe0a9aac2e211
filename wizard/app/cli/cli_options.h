// The wizard's command line on Linux: what the user asked for, parsed from
// argv, and applied to WizardSettings the way the pages apply their controls.
// Main thread only.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "wizard/settings/wizard_settings.h"

namespace wizard::cli {

// Exit codes besides a build's result.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 64;

enum class Action {
    Run,
    About,
    Help,
    ListSchemes,
    WriteConfig,
    Iso,
    CheckShare,
    Usb,
    ListUsb,
    Digest,
    Netboot
};

struct CliOptions {
    Action action = Action::Run;
    std::string configFolder;            // --write-config DIR
    std::optional<std::string> isoPath;  // --iso PATH; none: the stored IsoPath
    bool openFolder = false;             // --open-folder: show the image afterwards
    // --usb TARGET, once per drive: whole-disk devices or image files.
    std::vector<std::string> usbTargets;
    // --verify-medium / --no-verify-medium; none: on for --iso and several drives.
    std::optional<bool> verifyMedium;
    std::string recordFolder;   // --record DIR: the build records go there
    bool watch = false;         // --watch: --list-usb again on every device change
    bool reproducible = false;  // --reproducible: fixed dates without SOURCE_DATE_EPOCH
    bool printDigest = false;   // --print-digest after --iso or --usb
    std::string digestTarget;   // --print-digest TARGET: of a medium, without a build
    std::string netbootFolder;  // --netboot DIR
    std::string proxyNetwork;   // --proxy-dhcp NETWORK, for dnsmasq.conf

    // Work mode page.
    std::optional<bool> autoStart;
    std::optional<bool> useDefaults;
    // Wipe settings page (any of them means custom settings and a save).
    std::vector<std::pair<DriveClass, std::string>> schemes;  // CLASS=INDEX|NAME
    std::vector<std::pair<DriveClass, bool>> verify;
    std::optional<bool> resetHpa, resetDco, ataErase;
    // Options without a page of their own.
    std::optional<bool> noDelay;
    std::optional<bool> logUsb;
    std::optional<std::string> logShare;  // empty: --no-log-share
    std::optional<std::string> shareUser;
    std::optional<std::string> sharePasswordFile;
    bool lockSettings = false;
    bool yes = false;  // --yes: answer Yes to every question (share check, format)

    // Whether the media built are read back and compared.
    bool VerifiesMedium() const {
        return verifyMedium.value_or(action == Action::Iso || usbTargets.size() > 1);
    }
    bool SetsWipingOption() const {
        return !schemes.empty() || !verify.empty() || resetHpa || resetDco || ataErase;
    }
};

// Parses the arguments after the program name; false with a one-line message
// in error for a usage error.
bool ParseCli(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// Applies the parsed options on top of the loaded settings, in the pages'
// order. Resolves scheme names against the catalogue and reads the password
// file; false with a one-line message in error, and the settings untouched
// in what counts (nothing is saved), for a usage error. Saves the settings
// when a wiping option was given.
bool ApplyCli(const CliOptions& options, WizardSettings& settings, std::string& error);

// The text a -v shows.
std::string AboutText();
std::string UsageText();

}  // namespace wizard::cli
