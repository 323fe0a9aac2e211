// quelix-wipe: the wiping environment's program. Started by the environment's
// init after it showed the configuration it received; see --help.
#include <cstring>
#include <iostream>
#include <string>

#include "qo_version.h"
#include "wiper/cli/session.h"

namespace {

constexpr char kHelp[] =
    "Usage: quelix-wipe [OPTION]...\n"
    "Wipes the drives of this machine as the wiping medium's configuration says:\n"
    "automatically (every drive, after the start delay) or as the operator chooses\n"
    "on the console; verifies, shows a summary and writes the log.\n"
    "  --config FILE     the work mode and log settings (default /wipe_config)\n"
    "  --policy FILE     the policy per drive class (default /tmp/policy.cfg)\n"
    "  --schemes DIR     the scheme files (default /tmp/scheme)\n"
    "  --sys DIR         the sysfs tree (default /sys)\n"
    "  --dev DIR         the device files (default /dev)\n"
    "  --wipe TARGET --scheme FILE [--verify]\n"
    "                    wipe one device or image file with one scheme file and\n"
    "                    nothing else (no configuration, no log)\n"
    "  --help, --version\n";

}  // namespace

int main(int argc, char** argv) {
    wiper::SessionPaths paths;
    std::string target, scheme;
    bool verify = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& field) {
            if (i + 1 >= argc)
                return false;
            field = argv[++i];
            return true;
        };
        bool ok = true;
        if (arg == "--help") {
            std::cout << kHelp;
            return 0;
        } else if (arg == "--version") {
            std::cout << "quelix-wipe " << QO_VERSION_TEXT << "\n";
            return 0;
        } else if (arg == "--config") {
            ok = value(paths.config);
        } else if (arg == "--policy") {
            ok = value(paths.policy);
        } else if (arg == "--schemes") {
            ok = value(paths.schemes);
        } else if (arg == "--sys") {
            ok = value(paths.sys);
        } else if (arg == "--dev") {
            ok = value(paths.dev);
        } else if (arg == "--wipe") {
            ok = value(target);
        } else if (arg == "--scheme") {
            ok = value(scheme);
        } else if (arg == "--verify") {
            verify = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::cerr << "quelix-wipe: bad option " << arg << " (see --help)\n";
            return 64;
        }
    }
    if (!target.empty() || !scheme.empty()) {
        if (target.empty() || scheme.empty()) {
            std::cerr << "quelix-wipe: --wipe and --scheme go together\n";
            return 64;
        }
        return wiper::WipeOne(target, scheme, verify);
    }
    return wiper::RunEnvironment(paths);
}
