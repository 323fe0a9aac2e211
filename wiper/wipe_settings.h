// The configuration the wizard put on the medium, as the wiping environment
// reads it: /wipe_config (shell assignments) and /tmp/policy.cfg (the policy
// per drive class, JSON). Pure functions over the files' text; any thread.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace wiper {

// The drive classes of the policy.
enum class DriveClass { Hdd = 0, Ssd = 1, Removable = 2, Hybrid = 3 };
constexpr size_t kDriveClassCount = 4;
// "hard disk", "solid-state", "removable", "hybrid".
const char* DriveClassName(DriveClass c);

// What wipe_config says. A missing file leaves these defaults: manual mode,
// settings unlocked, the log on the console only.
struct WipeConfig {
    bool operatorShell = false;  // USE_SHELL
    bool wipeAll = false;        // WIPE_ALL_DISKS: automatic mode
    bool noDelay = false;        // USE_NODELAY
    bool logToUsb = false;       // USE_LOGFILE
    bool locked = false;         // LOCK_PRESET
    bool logToShare = false;     // USE_LOGSHARE
    bool askPassword = false;    // NET_ASKPASS
    std::string share;           // NET_SHARE, //server/share[/folder]
    std::string user;            // NET_USER, DOMAIN/user or user
    std::string password;        // NET_PASS
};

// Reads "export NAME=VALUE" lines (export is optional) as a POSIX shell reads
// them: the value may be plain, in single quotes, in double quotes (with \",
// \\, \$ and \` escapes) or a mix; LF or CR LF line ends; comments, blank,
// unknown and malformed lines are ignored. A flag is on only for "y".
WipeConfig ParseWipeConfig(std::string_view text);

// One class of the policy.
struct ClassPolicy {
    bool present = false;  // the policy has this class
    std::string scheme;    // the scheme file's name without its extension
    bool verify = false;
    bool resetHpa = false;
    bool resetDco = false;
    bool ataErase = false;
};

struct WipePolicy {
    std::array<ClassPolicy, kDriveClassCount> classes;
    const ClassPolicy& Of(DriveClass c) const { return classes[static_cast<size_t>(c)]; }
};

// Reads the first policy of "wipePolicies": the classes "hdd", "ssd",
// "removable" and "sshd" (hybrid). False with a message when the text is no
// JSON or has no policy; a class that is missing or has no scheme name is left
// not present.
bool ParsePolicy(std::string_view text, WipePolicy& policy, std::string& error);

}  // namespace wiper
