#include "updater/net/testing/test_servers.h"

#include <cstdlib>

namespace updater::testing {
namespace {

int32_t PortFrom(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : 0;
}

}  // namespace

const TestServers& Servers() {
    static const TestServers servers = [] {
        TestServers found;
        found.httpPort = PortFrom("QO_HTTP_PORT");
        found.httpsPort = PortFrom("QO_HTTPS_PORT");
        found.untrustedPort = PortFrom("QO_HTTPS_UNTRUSTED_PORT");
        if (const char* host = std::getenv("QO_HTTPS_443_HOST"))
            found.host443 = host;
        if (const char* file = std::getenv("QO_TEST_CA_FILE"))
            found.authorityFile = file;
        return found;
    }();
    return servers;
}

DownloadSite LocalSite(SiteKind kind, int32_t port, std::string host, std::string directory) {
    return DownloadSite{kind, std::move(host), std::move(directory), port, kHttpService};
}

}  // namespace updater::testing
