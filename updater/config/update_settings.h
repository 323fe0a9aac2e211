// UpdateSettings: the user's choices in the update window and the time of the
// last check, kept in the registry as a 28-byte block (little-endian):
//
//   0  4  site index (signed)          12  8  last check, signed seconds since
//   4  1  auto update off                     1970-01-01 00:00 UTC
//   5  1  confirm download             20  1  show all OS (Versions page)
//   6  1  confirm restart              21  7  unused, written as 0
//   7  1  show all files (Versions page)
//   8  1  period: 0 daily, 1 weekly, 2 monthly
//   9  3  unused, written as 0
//
// The fields start from the defaults of renovo.cfg and are replaced by the
// stored block when there is one. Program-wide plain data; the interface
// thread and the update worker use it without locks.
#pragma once

#include <array>
#include <cstdint>

#include "updater/config/update_config.h"

namespace updater {

struct UpdateSettings {
    static constexpr size_t kSize = 28;
    using Block = std::array<uint8_t, kSize>;

    int32_t siteIndex = 0;
    uint8_t autoUpdateOff = 0;
    uint8_t confirmDownload = 1;
    uint8_t confirmRestart = 1;
    uint8_t showAllFiles = 1;
    uint8_t period = kPeriodWeekly;
    int64_t lastCheck = 0;
    uint8_t showAllOs = 0;

    // The start values: the defaults of the configuration.
    static UpdateSettings FromConfig(const UpdateConfig& config);
    static UpdateSettings FromBlock(const Block& block);
    Block ToBlock() const;

    bool operator==(const UpdateSettings&) const = default;
};

}  // namespace updater
