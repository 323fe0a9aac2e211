// Test support: a registry of the test's own. On Linux both hives point at
// files in a scratch folder while the object lives; on Windows the tests use
// the build's private Wine prefix, so tests name their keys and values
// uniquely (UniqueName).
#pragma once

#include <chrono>
#include <random>
#include <string>

#include "platform/registry.h"
#include "platform/text.h"
#include "testsupport/scratch_folder.h"

namespace updater::testing {

class ScratchRegistry {
  public:
    ScratchRegistry() {
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser,
                                      platform::ToUtf8(folder_ / u"user.reg"));
        platform::SetRegistryFilePath(platform::Hive::LocalMachine,
                                      platform::ToUtf8(folder_ / u"machine.reg"));
#endif
    }
    ~ScratchRegistry() {
#ifndef _WIN32
        platform::SetRegistryFilePath(platform::Hive::CurrentUser, "");
        platform::SetRegistryFilePath(platform::Hive::LocalMachine, "");
#endif
    }
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

  private:
    qo::test::ScratchFolder folder_{u"qo-registry"};
};

// prefix followed by a text no other test run uses.
inline platform::WString UniqueName(platform::WStringView prefix) {
    const auto stamp = std::chrono::system_clock::now().time_since_epoch().count();
    const std::string unique = std::to_string(stamp) + "-" + std::to_string(std::random_device{}());
    return platform::WString(prefix) + platform::FromUtf8(unique);
}

}  // namespace updater::testing
