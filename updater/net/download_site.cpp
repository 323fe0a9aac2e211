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

}  // namespace updater
