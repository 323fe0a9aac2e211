// The Linux client's own rules against the local servers: the trust anchors
// that SSL_CERT_FILE names, and redirections that stay on HTTP and HTTPS and
// never fall from HTTPS to plain HTTP.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/net/fetch.h"
#include "updater/net/testing/test_servers.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

class AnyOwner : public TransferOwner {
  public:
    std::unique_ptr<cDownloadActorBlock> StartTransfer(uint32_t) override {
        return std::make_unique<cDownloadActorBlock>();
    }
};

TEST(CurlClient, TrustsNamedAuthoritiesAndFollowsOnlySafeRedirections) {
    const testing::TestServers& servers = testing::Servers();
    ASSERT_TRUE(servers.Available()) << "run through testing/http_test_server.py";
    struct Case {
        const char* what;
        SiteKind kind;
        int32_t port;
        const char* file;
        bool authorityFromEnvironment;
        bool received;
    };
    const std::vector<Case> cases = {
        {"a CA named only by SSL_CERT_FILE", SiteKind::Https, servers.httpsPort, "size-100", true,
         true},
        {"https to https", SiteKind::Https, servers.httpsPort, "redirect-100", false, true},
        {"http to http", SiteKind::Http, servers.httpPort, "to-http-100", false, true},
        {"https to http", SiteKind::Https, servers.httpsPort, "to-http-100", false, false},
        {"https to ftp", SiteKind::Https, servers.httpsPort, "to-ftp", false, false},
        {"http to ftp", SiteKind::Http, servers.httpPort, "to-ftp", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FetchOptions options;
        if (c.authorityFromEnvironment)
            setenv("SSL_CERT_FILE", servers.authorityFile.c_str(), 1);
        else
            options.client = testing::TrustingSettings();
        testing::MessageRecorder messages;
        options.messages = &messages;
        qo::test::ScratchFolder folder;
        const platform::WString destination = folder / u"file.bin";
        AnyOwner owner;
        const int32_t result = Fetch(testing::LocalSite(c.kind, c.port, "localhost"), c.file,
                                     destination, owner, options);
        unsetenv("SSL_CERT_FILE");
        EXPECT_EQ(result == 0, c.received) << result;
        EXPECT_EQ(platform::PathExists(destination), c.received);
    }
}

}  // namespace
}  // namespace updater
