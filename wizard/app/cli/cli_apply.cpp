// Applies the command line to the settings in the order the pages do: work
// mode, wipe settings (saved as leaving that page saves them), then logging,
// which starts from the logging page's own values.
#include <algorithm>
#include <fstream>

#include "wizard/app/cli/cli_options.h"

namespace wizard::cli {
namespace {

bool IsNumber(const std::string& s) {
    return !s.empty() && s.size() < 10 &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A scheme by catalogue index, file name or display name (ASCII case ignored).
bool ResolveScheme(const SchemeList& schemes, const std::string& key, int32_t& index) {
    if (IsNumber(key)) {
        const long n = std::stol(key);
        if (n >= static_cast<long>(schemes.size()))
            return false;
        index = static_cast<int32_t>(n);
        return true;
    }
    const platform::WString wanted = platform::FromUtf8(key);
    for (size_t i = 0; i < schemes.size(); ++i) {
        if (platform::EqualsIgnoreCase(schemes[i].FileName, wanted) ||
            platform::EqualsIgnoreCase(schemes[i].DisplayName, wanted)) {
            index = static_cast<int32_t>(i);
            return true;
        }
    }
    return false;
}

// "\\server\share[\folders]" (or with slashes), as the logging page takes it.
bool ToUncPath(const std::string& text, platform::WString& unc) {
    unc = platform::FromUtf8(text);
    std::replace(unc.begin(), unc.end(), u'/', u'\\');
    if (unc.size() < 5 || unc.compare(0, 2, u"\\\\") != 0)
        return false;
    const size_t serverEnd = unc.find(u'\\', 2);
    return serverEnd != platform::WString::npos && serverEnd > 2 && serverEnd + 1 < unc.size() &&
           unc[serverEnd + 1] != u'\\';
}

bool ReadPasswordFile(const std::string& path, platform::WString& password) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    std::getline(in, line);
    if (in.bad())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    password = platform::FromUtf8(line);
    return true;
}

}  // namespace

bool ApplyCli(const CliOptions& o, WizardSettings& settings, std::string& error) {
    // Everything that can be refused is checked before anything changes.
    std::vector<std::pair<DriveClass, int32_t>> schemes;
    for (const auto& [driveClass, key] : o.schemes) {
        int32_t index = 0;
        if (!ResolveScheme(settings.Schemes, key, index)) {
            error = "no scheme '" + key + "' in the catalogue (see --list-schemes)";
            return false;
        }
        schemes.emplace_back(driveClass, index);
    }
    platform::WString unc, password;
    if (o.logShare && !o.logShare->empty() && !ToUncPath(*o.logShare, unc)) {
        error = "'" + *o.logShare + "' is not a share: use \\\\server\\share or //server/share";
        return false;
    }
    if (o.sharePasswordFile && !ReadPasswordFile(*o.sharePasswordFile, password)) {
        error = "cannot read the password file '" + *o.sharePasswordFile + "'";
        return false;
    }

    // Work mode page.
    if (o.autoStart)
        settings.AutoStart = *o.autoStart ? 1 : 0;
    if (o.useDefaults) {
        settings.UseDefaultSetings = *o.useDefaults ? 1 : 0;
        if (*o.useDefaults)
            settings.ResetToRecommended();
    }
    if (o.noDelay)
        settings.NoDelay = *o.noDelay ? 1 : 0;

    // Wipe settings page.
    if (o.SetsWipingOption()) {
        settings.UseDefaultSetings = 0;
        for (const auto& [driveClass, index] : schemes)
            settings.SchemeIndex(driveClass) = index;
        for (const auto& [driveClass, on] : o.verify)
            settings.Verify(driveClass) = on ? 1 : 0;
        if (o.resetHpa)
            settings.ResetHPA = *o.resetHpa ? 1 : 0;
        if (o.resetDco)
            settings.ResetDCO = *o.resetDco ? 1 : 0;
        if (o.ataErase)
            settings.AtaErase = *o.ataErase ? 1 : 0;
        settings.SaveSettings();
    }

    // Logging page. Like the page, every run starts from logging to the USB
    // drive only, unlocked, with no share: a share stored by an earlier run is
    // never used (without its password) unless this command line names it.
    settings.WriteLog = 1;
    settings.NetLog = 0;
    settings.NetShare.clear();
    settings.NetUser.clear();
    settings.NetPassword.clear();
    settings.LockPreset = 0;
    if (o.logUsb)
        settings.WriteLog = *o.logUsb ? 1 : 0;
    if (o.logShare) {
        settings.NetLog = o.logShare->empty() ? 0 : 1;
        if (!o.logShare->empty())
            settings.NetShare = unc;
    }
    if (o.shareUser)
        settings.NetUser = platform::FromUtf8(*o.shareUser);
    if (o.sharePasswordFile)
        settings.NetPassword = password;
    if (o.lockSettings)
        settings.LockPreset = 1;
    return true;
}

}  // namespace wizard::cli
