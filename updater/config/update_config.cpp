#include "updater/config/update_config.h"

#include "platform/files.h"
#include "updater/config/config_file.h"
#include "updater/support/formatter.h"

namespace updater {
namespace {

constexpr char16_t kMain[] = u"[Main]";
// Yes/no words and period names are read with this capacity.
constexpr size_t kWordCapacity = 256;
// Site values are read with this capacity.
constexpr size_t kSiteValueCapacity = 1024;
constexpr int32_t kHttpPort = 80;
constexpr int32_t kHttpsPort = 443;

void ReadText(cConfigFile& file, platform::WStringView key, size_t capacity,
              platform::WString& field) {
    platform::WString value;
    if (file.FindValue(kMain, key, value, capacity))
        field = std::move(value);
}

// Sets flag to 1 when the value is word (ignoring case) and to 0 for any
// other value; an absent key leaves it.
void ReadWordFlag(cConfigFile& file, platform::WStringView key, platform::WStringView word,
                  uint8_t& flag) {
    platform::WString value;
    if (file.FindValue(kMain, key, value, kWordCapacity))
        flag = platform::EqualsIgnoreCase(value, word) ? 1 : 0;
}

void ReadPeriod(cConfigFile& file, uint8_t& period) {
    platform::WString value;
    if (!file.FindValue(kMain, u"UpdatePeriod", value, kWordCapacity))
        return;
    if (platform::EqualsIgnoreCase(value, u"daily"))
        period = kPeriodDaily;
    else if (platform::EqualsIgnoreCase(value, u"weekly"))
        period = kPeriodWeekly;
    else if (platform::EqualsIgnoreCase(value, u"monthly"))
        period = kPeriodMonthly;
}

// Names a site whose port cannot be used; fetches from it are refused.
void ReportUnusablePort(platform::WStringView section, platform::WStringView port,
                        MessageOwner* owner) {
    if (owner == nullptr)
        return;
    const platform::WString sectionText(section);
    const platform::WString portText(port);
    owner->Show(FormatToString(1024,
                               u"%s in %s: the port \"%s\" is not a number from 1 to 65535. "
                               u"Files cannot be downloaded from this site.",
                               sectionText, kConfigFileName, portText),
                u"Renovo", kMessageOk | kMessageErrorIcon);
}

// One "[URL%s]" section; false when it has no Address.
bool ReadSite(cConfigFile& file, platform::WStringView section, DownloadSite& site,
              MessageOwner* owner) {
    platform::WString value;
    if (!file.FindValue(section, u"Address", value, kSiteValueCapacity))
        return false;
    site = DownloadSite{};
    site.host = platform::ToAnsi(value);
    if (file.FindValue(section, u"DownloadDir", value, kSiteValueCapacity) && !value.empty())
        site.directory = platform::ToAnsi(value);
    site.kind = file.FindValue(section, u"Type", value, kSiteValueCapacity)
                    ? SiteKindFromName(value)
                    : SiteKind::Http;
    if (file.FindValue(section, u"Port", value, kSiteValueCapacity)) {
        site.port = ParsePortNumber(value);
        if (!IsUsablePort(site.port))
            ReportUnusablePort(section, value, owner);
    } else {
        site.port = site.kind == SiteKind::Https ? kHttpsPort : kHttpPort;
    }
    site.service = kHttpService;
    return true;
}

}  // namespace

const DownloadSite* UpdateConfig::Site(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= sites.size())
        return nullptr;
    return &sites[static_cast<size_t>(index)];
}

int32_t ParsePortNumber(platform::WStringView text) {
    constexpr int32_t kTooLarge = -1;
    int32_t number = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            break;
        number = number * 10 + static_cast<int32_t>(c - u'0');
        if (number > kHighestPort)
            return kTooLarge;
    }
    return number;
}

bool LoadUpdateConfig(platform::WStringView path, MessageOwner* owner, UpdateConfig& config) {
    cConfigFile file;
    if (!file.Open(path, owner))
        return false;

    ReadText(file, u"VerFileName", UpdateConfig::kFileNameCapacity, config.verFileName);
    ReadText(file, u"ExeFileName", UpdateConfig::kFileNameCapacity, config.exeFileName);
    ReadText(file, u"ProductName", UpdateConfig::kProductNameCapacity, config.productName);
    ReadText(file, u"ProductVer", UpdateConfig::kProductVersionCapacity, config.productVer);
    ReadText(file, u"ReleaseNotesUrl", UpdateConfig::kUrlCapacity, config.releaseNotesUrl);
    // "no" turns the periodic check off; any other word turns it on.
    platform::WString value;
    if (file.FindValue(kMain, u"CheckForUpdate", value, kWordCapacity))
        config.autoUpdateOff = platform::EqualsIgnoreCase(value, u"no") ? 1 : 0;
    ReadWordFlag(file, u"ConfirmationDownloadAndInstall", u"yes", config.confirmDownload);
    ReadWordFlag(file, u"ConfirmationReboot", u"yes", config.confirmRestart);
    ReadPeriod(file, config.period);

    // The sites are read afresh: the records after the last site read stay
    // empty, also when an earlier load had filled them.
    config.sites.fill(DownloadSite{});
    static constexpr const char16_t* kSuffixes[kSiteCount] = {u"",  u"1", u"2", u"3", u"4",
                                                              u"5", u"6", u"7", u"8", u"9"};
    for (size_t i = 0; i < kSiteCount; ++i) {
        const platform::WString section = platform::WString(u"[URL") + kSuffixes[i] + u"]";
        if (!ReadSite(file, section, config.sites[i], owner))
            break;
    }
    return true;
}

bool LoadInstalledUpdateConfig(MessageOwner* owner, UpdateConfig& config) {
    return LoadUpdateConfig(platform::JoinPath(platform::ProgramFolder(), kConfigFileName), owner,
                            config);
}

}  // namespace updater
