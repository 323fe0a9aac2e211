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

}  // namespace updater
