#include "updater/net/download_site.h"

#include <array>

namespace updater {
namespace {

// Index = kind number.
constexpr std::array<std::u16string_view, 4> kKindNames{u"http", u"https", u"ldap", u"ldaps"};

}  // namespace

SiteKind SiteKindFromName(platform::WStringView name) {
    for (size_t i = 0; i < kKindNames.size(); ++i) {
        if (platform::EqualsIgnoreCase(name, kKindNames[i]))
            return static_cast<SiteKind>(i);
    }
    return SiteKind::Undefined;
}

std::string_view SiteKindName(SiteKind kind) {
    switch (kind) {
        case SiteKind::Http:
            return "http";
        case SiteKind::Https:
            return "https";
        case SiteKind::Ldap:
            return "ldap";
        case SiteKind::Ldaps:
            return "ldaps";
        default:
            return "undefined";
    }
}

std::optional<std::string> SiteAddressText(const DownloadSite& site,
                                           std::optional<std::string_view> path) {
    if (!site.host)
        return std::nullopt;
    std::string text(SiteKindName(site.kind));
    text += "://";
    text += *site.host;
    if (path) {
        if (path->empty() || path->front() != '/')
            text += '/';
        text += *path;
    }
    if (text.size() > kSiteTextCapacity - 1)
        text.resize(kSiteTextCapacity - 1);
    return text;
}

std::string ObjectPath(const DownloadSite& site, std::string_view fileName) {
    if (site.directory.empty())
        return std::string(fileName);
    std::string path = site.directory;
    path += '/';
    path += fileName;
    return path;
}

bool UsesSecureConnection(const DownloadSite& site) {
    constexpr int32_t kHttpsPort = 443;
    return site.kind == SiteKind::Https || (site.port & 0xFFFF) == kHttpsPort;
}

}  // namespace updater
