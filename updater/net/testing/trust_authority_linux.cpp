#include "updater/net/testing/test_servers.h"

namespace updater::testing {

HttpClientSettings TrustingSettings() {
    HttpClientSettings settings;
    settings.authorityFile = Servers().authorityFile;
    return settings;
}

}  // namespace updater::testing
