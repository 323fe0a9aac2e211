// UpdateConfig: the values of renovo.cfg, the file beside the update program
// that names the product, its files on the download site, the defaults of the
// periodic check and up to ten download sites.
//
//   [Main]        VerFileName, ExeFileName, ProductName, ProductVer,
//                 ReleaseNotesUrl, CheckForUpdate, ConfirmationDownloadAndInstall,
//                 ConfirmationReboot, UpdatePeriod
//   [URL] [URL1] ... [URL9]
//                 Address, DownloadDir, Type, Port: one site each, read in this
//                 order until the first section without an Address
//
// The program loads it at start and again when its main window opens; the
// configuration is program-wide and used from the interface thread and the
// update worker without locks (it does not change after loading).
#pragma once

#include <array>
#include <cstdint>

#include "platform/text.h"
#include "updater/net/download_site.h"
#include "updater/support/message_owner.h"

namespace updater {

constexpr char16_t kConfigFileName[] = u"renovo.cfg";
constexpr size_t kSiteCount = 10;

// Update periods, as the settings keep them.
constexpr uint8_t kPeriodDaily = 0;
constexpr uint8_t kPeriodWeekly = 1;
constexpr uint8_t kPeriodMonthly = 2;

struct UpdateConfig {
    // Text capacities in UTF-16 units with the terminator: a longer value is
    // cut to one unit less.
    static constexpr size_t kFileNameCapacity = 260;
    static constexpr size_t kProductNameCapacity = 128;
    static constexpr size_t kProductVersionCapacity = 32;
    static constexpr size_t kUrlCapacity = 260;

    platform::WString verFileName;      // version description, on the site and installed
    platform::WString exeFileName;      // installer on the site
    platform::WString productName;      // shown in texts; names the registry record
    platform::WString productVer;       // shown in the main window's header
    platform::WString releaseNotesUrl;  // empty: no link

    // Defaults of the settings block (update_settings.h).
    uint8_t autoUpdateOff = 0;
    uint8_t confirmDownload = 1;
    uint8_t confirmRestart = 1;
    uint8_t period = kPeriodWeekly;

    std::array<DownloadSite, kSiteCount> sites{};

    // The site a settings' site index selects; null when the index is outside
    // the ten records.
    const DownloadSite* Site(int32_t index) const;
};

// Reads a configuration file into config. A key that is absent leaves its
// value as it was; the sites are read afresh. False only when the file cannot
// be opened: the owner (if any) has shown the message and config is unchanged.
// A site whose Port is not from 1 to 65535 is kept with that value (fetches
// from it are refused) and named in a message to the owner (if any).
bool LoadUpdateConfig(platform::WStringView path, MessageOwner* owner, UpdateConfig& config);
// The same for renovo.cfg in the running program's folder.
bool LoadInstalledUpdateConfig(MessageOwner* owner, UpdateConfig& config);

// The value of a "Port" key: its leading decimal digits (none: 0); -1 when
// they give a number above 65535, so that no such value can wrap around into
// a port that connects somewhere else.
int32_t ParsePortNumber(platform::WStringView text);

}  // namespace updater
