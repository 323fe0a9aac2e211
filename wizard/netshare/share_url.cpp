#include "wizard/netshare/share_url.h"

#include <vector>

namespace wizard::netshare {
namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '$';
}

// Percent-encodes a name for the address (libsmbclient decodes every part).
bool Encode(platform::WStringView name, std::string& out) {
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F)
            return false;
    }
    const std::string utf8 = platform::ToUtf8(platform::WString(name));
    if (platform::FromUtf8(utf8) != name)
        return false;  // an unpaired surrogate has no UTF-8 form
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : utf8) {
        if (Unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return true;
}

// The names of a share path: server, share, folders.
std::optional<std::vector<platform::WString>> Names(platform::WStringView path) {
    auto separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (path.size() < 2 || !separator(path[0]) || !separator(path[1]))
        return std::nullopt;
    std::vector<platform::WString> names;
    platform::WString name;
    for (size_t i = 2; i <= path.size(); ++i) {
        if (i == path.size() || separator(path[i])) {
            if (!name.empty())
                names.push_back(name);
            else if (names.empty())
                return std::nullopt;  // "\\\server": no server name
            name.clear();
        } else {
            name += path[i];
        }
    }
    if (names.size() < 2)
        return std::nullopt;
    return names;
}

}  // namespace

std::optional<std::string> ShareUrl(platform::WStringView path) {
    const auto names = Names(path);
    if (!names)
        return std::nullopt;
    std::string url = "smb:/";
    for (const platform::WString& name : *names) {
        url += '/';
        if (!Encode(name, url))
            return std::nullopt;
    }
    return url;
}

std::optional<std::string> ServerUrl(platform::WStringView path) {
    const auto names = Names(path);
    if (!names || !ShareUrl(path))
        return std::nullopt;
    std::string url = "smb://";
    if (!Encode(names->front(), url))
        return std::nullopt;
    return url + "/";
}

}  // namespace wizard::netshare
