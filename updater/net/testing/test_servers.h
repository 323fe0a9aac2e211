// Test support: the local servers that testing/http_test_server.py started
// for this test run, and the client settings that trust its test authority.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "updater/net/download_site.h"
#include "updater/net/http_client.h"

namespace updater::testing {

struct TestServers {
    int32_t httpPort = 0;
    int32_t httpsPort = 0;
    int32_t untrustedPort = 0;
    // A loopback address with HTTPS on port 443, when it could be bound.
    std::optional<std::string> host443;
    std::string authorityFile;  // the test CA (PEM), a host path

    bool Available() const { return httpPort != 0 && httpsPort != 0 && untrustedPort != 0; }
};

// The servers named by the launcher's environment; all ports 0 without it.
const TestServers& Servers();

// Client settings that trust the test CA: on Linux by naming its file; on
// Windows by adding it to the user's root store once (Wine's store is the
// test prefix's own).
HttpClientSettings TrustingSettings();

// A site record for the local servers.
DownloadSite LocalSite(SiteKind kind, int32_t port, std::string host = "127.0.0.1",
                       std::string directory = {});

}  // namespace updater::testing
