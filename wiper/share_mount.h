// How the log share of the configuration is mounted with the kernel's SMB
// client: the source, and the options with the server's address (the kernel
// does not look names up itself), the user, the domain and the password.
// Pure function; any thread.
#pragma once

#include <functional>
#include <string>

namespace wiper {

struct MountRequest {
    std::string source;   // a device, or //server/share[/folder]
    std::string type;     // "vfat", "cifs"
    std::string options;  // the file system's mount options
    bool readOnly = false;
};

// A host name or address -> its address; empty when unknown.
using HostResolver = std::function<std::string(const std::string&)>;

// share: //server/share[/folder...] (as wipe_config writes it); user:
// DOMAIN/user, user, or empty for a guest logon. False with a message for a
// share that is no //server/share path, a server that cannot be resolved, or
// a user or domain with a comma (the options could not carry it); a comma in
// the password is written doubled, as the SMB client reads it.
bool ShareMountRequest(const std::string& share, const std::string& user,
                       const std::string& password, const HostResolver& resolve,
                       MountRequest& request, std::string& error);

}  // namespace wiper
