// Share paths as the page takes them, and the smb:// addresses made of them.
#include "wizard/netshare/share_url.h"

#include <gtest/gtest.h>

namespace wizard::netshare {
namespace {

TEST(ShareUrl, BothSeparatorsEncodedNamesAndRefusedPaths) {
    const struct {
        platform::WString path;
        const char* url;     // "" when refused
        const char* server;  // "" when refused
    } cases[] = {
        {u"\\\\srv\\logs", "smb://srv/logs", "smb://srv/"},
        {u"//srv/logs/wipe", "smb://srv/logs/wipe", "smb://srv/"},
        {u"\\\\srv/logs\\\\a//b\\", "smb://srv/logs/a/b", "smb://srv/"},
        {u"\\\\srv\\c$\\wipe logs 100%", "smb://srv/c$/wipe%20logs%20100%25", "smb://srv/"},
        {u"\\\\srv\\l\u00f6gs\\a#b?c", "smb://srv/l%C3%B6gs/a%23b%3Fc", "smb://srv/"},
        {u"\\\\127.0.0.1\\rw", "smb://127.0.0.1/rw", "smb://127.0.0.1/"},
        {u"\\\\srv", "", ""},
        {u"\\\\srv\\", "", ""},
        {u"\\\\\\srv\\logs", "", ""},
        {u"\\srv\\logs", "", ""},
        {u"srv\\logs", "", ""},
        {u"", "", ""},
        {u"\\\\srv\\lo\ngs", "", ""},
        {platform::WString(u"\\\\srv\\lo\0gs", 11), "", ""},
        {u"\\\\srv\\logs\\\xD800x", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.path));
        EXPECT_EQ(ShareUrl(c.path).value_or(""), c.url);
        EXPECT_EQ(ServerUrl(c.path).value_or(""), c.server);
    }
}

}  // namespace
}  // namespace wizard::netshare
