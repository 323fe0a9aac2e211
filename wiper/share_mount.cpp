#include "wiper/share_mount.h"

namespace wiper {

bool ShareMountRequest(const std::string& share, const std::string& user,
                       const std::string& password, const HostResolver& resolve,
                       MountRequest& request, std::string& error) {
    const size_t slash = share.find('/', 2);
    if (!share.starts_with("//") || slash == std::string::npos || slash == 2 ||
        slash + 1 >= share.size() || share[slash + 1] == '/') {
        error = "the share " + share + " is no //server/share path";
        return false;
    }
    const std::string server = share.substr(2, slash - 2);
    const std::string address = resolve(server);
    if (address.empty()) {
        error = "the server " + server + " cannot be found";
        return false;
    }
    std::string name = user, domain;
    if (const size_t at = user.find('/'); at != std::string::npos) {
        domain = user.substr(0, at);
        name = user.substr(at + 1);
    }
    if (name.find(',') != std::string::npos || domain.find(',') != std::string::npos) {
        error = "a user or domain name with a comma cannot be given to the SMB client";
        return false;
    }
    request = MountRequest();
    request.source = share;
    request.type = "cifs";
    request.options = "ip=" + address;
    if (name.empty()) {
        request.options += ",guest";
        return true;
    }
    request.options += ",username=" + name;
    if (!domain.empty())
        request.options += ",domain=" + domain;
    std::string escaped;
    for (char c : password) {
        escaped += c;
        if (c == ',')
            escaped += ',';
    }
    request.options += ",password=" + escaped;
    return true;
}

}  // namespace wiper
