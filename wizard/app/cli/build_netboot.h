// --netboot DIR: writes the network boot tree into DIR through the build worker,
// as the other media are built, and tells how to start dnsmasq on it. DIR is
// checked (and made when missing) before anything is written. Main thread only.
#pragma once

#include <string>

#include "wizard/app/cli/cli_options.h"

namespace wizard::cli {

// Makes folder absolute and creates it when missing. False with a one-line
// error when it cannot take the tree: it is a file, cannot be created or
// written, cannot be named in dnsmasq.conf, or (asRoot) other users may write
// in it. warning: what keeps an unprivileged TFTP server from reading it.
bool PrepareNetbootFolder(const std::string& folder, bool asRoot, std::string& absolute,
                          std::string& warning, std::string& error);

// Returns the build's BuildResult (0 created, 1 cancelled, 2 failed), or
// kExitUsage when the folder is refused.
int BuildNetbootFromCli(WizardSettings& settings, const CliOptions& options);

}  // namespace wizard::cli
