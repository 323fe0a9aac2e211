// The wiping environment's run: read the configuration, find the drives, wipe
// them in automatic or manual mode, show the summary and write the log. Also
// the single-drive wipe of the command line (--wipe). Main thread; the drives
// are wiped on one thread each.
#pragma once

#include <string>

namespace wiper {

struct SessionPaths {
    std::string config = "/wipe_config";
    std::string policy = "/tmp/policy.cfg";
    std::string schemes = "/tmp/scheme";
    std::string sys = "/sys";
    std::string dev = "/dev";
};

// The whole run; returns the program's exit code (0 also when drives failed:
// the log tells; 1 when the configuration cannot be used).
int RunEnvironment(const SessionPaths& paths);

// Wipes one device or file with the scheme file given; exit code 0 when every
// pass (and verification) succeeded.
int WipeOne(const std::string& device, const std::string& schemeFile, bool verify);

}  // namespace wiper
