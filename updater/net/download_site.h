// A download site of the update program and the names of its kinds. The
// update configuration (renovo.cfg) fills up to ten sites; the HTTP client
// fetches files from the one the settings select. Plain data and pure
// functions; any thread may call them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace updater {

// The kind of a site: its scheme name. The numbers are stored and compared as
// they are; a name that is none of these reads as Undefined.
enum class SiteKind : int8_t { Undefined = -1, Http = 0, Https = 1, Ldap = 2, Ldaps = 3 };

// "http", "https", "ldap" or "ldaps" (any case) to its kind; anything else
// gives Undefined.
SiteKind SiteKindFromName(platform::WStringView name);
// The kind's name in lower case; a number that is no kind gives "undefined".
std::string_view SiteKindName(SiteKind kind);

// The service number of the Internet client library for HTTP.
constexpr int32_t kHttpService = 3;

struct DownloadSite {
    SiteKind kind = SiteKind::Http;
    // Host name or address in the ANSI code page; absent in an empty record.
    std::optional<std::string> host;
    // Folder on the site that holds the files, in the ANSI code page; empty
    // when the site has none.
    std::string directory;
    // TCP port; the low 16 bits are used.
    int32_t port = 0;
    int32_t service = 0;

    bool IsEmpty() const { return !host.has_value(); }
    bool operator==(const DownloadSite&) const = default;
};

// The ports a connection may use.
constexpr int32_t kLowestPort = 1;
constexpr int32_t kHighestPort = 65535;
constexpr bool IsUsablePort(int32_t port) {
    return port >= kLowestPort && port <= kHighestPort;
}

// The text form of a site's address for messages: "<kind>://<host>" and, when
// a path is given, "/" (unless the path starts with one) and the path. The
// port is not shown. At most kSiteTextCapacity - 1 bytes: the rest is cut off.
// None when the site has no host.
constexpr size_t kSiteTextCapacity = 780;
std::optional<std::string> SiteAddressText(const DownloadSite& site,
                                           std::optional<std::string_view> path);

// The path of a file on the site: "<directory>/<file>", or the file name alone
// when the site has no directory. Nothing is added in front, nothing escaped.
std::string ObjectPath(const DownloadSite& site, std::string_view fileName);

// Whether a fetch from the site uses a secure connection: kind https, or any
// kind on port 443.
bool UsesSecureConnection(const DownloadSite& site);

}  // namespace updater
