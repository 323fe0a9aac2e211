#include "updater/net/download_site.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

TEST(DownloadSite, KindNamesReadInAnyCaseAndWriteInLowerCase) {
    EXPECT_EQ(SiteKindFromName(u"http"), SiteKind::Http);
    EXPECT_EQ(SiteKindFromName(u"HTTPS"), SiteKind::Https);
    EXPECT_EQ(SiteKindFromName(u"LdAp"), SiteKind::Ldap);
    EXPECT_EQ(SiteKindFromName(u"ldapS"), SiteKind::Ldaps);
    // Near misses are no kind.
    for (const char16_t* name : {u"", u"ftp", u"http ", u" http", u"https:", u"htt", u"httpss"})
        EXPECT_EQ(SiteKindFromName(name), SiteKind::Undefined) << platform::ToUtf8(name);

    for (int number = -1; number <= 3; ++number) {
        const auto kind = static_cast<SiteKind>(number);
        const std::string_view name = SiteKindName(kind);
        if (number < 0) {
            EXPECT_EQ(name, "undefined");
        } else {
            EXPECT_EQ(SiteKindFromName(platform::FromUtf8(name)), kind) << name;
        }
    }
    EXPECT_EQ(SiteKindName(static_cast<SiteKind>(4)), "undefined");
    EXPECT_EQ(SiteKindName(static_cast<SiteKind>(-128)), "undefined");

    const DownloadSite empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.kind, SiteKind::Http);
    EXPECT_EQ(empty.port, 0);
    EXPECT_EQ(empty.service, 0);
}

TEST(DownloadSite, AddressTextObjectPathAndSecureConnection) {
    struct Case {
        DownloadSite site;
        std::optional<std::string_view> path;
        std::optional<std::string> text;
        std::string objectPathOfF;
        bool secure;
    };
    const auto site = [](SiteKind kind, std::string host, std::string directory, int32_t port) {
        return DownloadSite{kind, std::move(host), std::move(directory), port, kHttpService};
    };
    const Case cases[] = {
        {site(SiteKind::Http, "dl.example", "", 80), std::nullopt, "http://dl.example", "f", false},
        {site(SiteKind::Https, "dl.example", "pub/x", 8443), "pub/x", "https://dl.example/pub/x",
         "pub/x/f", true},
        {site(SiteKind::Http, "h", "/abs", 443), "/abs", "http://h/abs", "/abs/f", true},
        {site(SiteKind::Ldap, "h", "a b%20", 389), "a b%20", "ldap://h/a b%20", "a b%20/f", false},
        {site(SiteKind::Ldaps, "h", "", 636), "", "ldaps://h/", "f", false},
        {site(SiteKind::Undefined, "h", "", 80), std::nullopt, "undefined://h", "f", false},
        {site(SiteKind::Https, "h", "", 80), std::nullopt, "https://h", "f", true},
        {DownloadSite{}, std::nullopt, std::nullopt, "f", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SiteAddressText(c.site, c.path), c.text) << c.site.host.value_or("-");
        EXPECT_EQ(ObjectPath(c.site, "f"), c.objectPathOfF);
        EXPECT_EQ(UsesSecureConnection(c.site), c.secure) << c.site.port;
    }
    // The text is cut to the 780-byte buffer it was built in.
    const std::string longPath(2000, 'p');
    const std::optional<std::string> cut =
        SiteAddressText(site(SiteKind::Http, "h", "", 80), longPath);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(cut->size(), kSiteTextCapacity - 1);
    EXPECT_EQ(cut->substr(0, 10), "http://h/p");

    for (const int32_t port : {1, 80, 65535})
        EXPECT_TRUE(IsUsablePort(port));
    for (const int32_t port : {0, -1, 65536, 99999})
        EXPECT_FALSE(IsUsablePort(port));
}

}  // namespace
}  // namespace updater
