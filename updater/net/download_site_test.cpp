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

}  // namespace
}  // namespace updater
