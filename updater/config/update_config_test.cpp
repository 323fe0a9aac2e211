#include "updater/config/update_config.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/config/update_settings.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

using platform::WString;
using qo::test::ScratchFolder;
using testing::MessageRecorder;

UpdateConfig Load(const ScratchFolder& folder, std::string_view text) {
    UpdateConfig config;
    EXPECT_TRUE(LoadUpdateConfig(folder.Write(u"renovo.cfg", text), nullptr, config));
    return config;
}

DownloadSite Site(SiteKind kind, std::string host, std::string directory, int32_t port) {
    return DownloadSite{kind, std::move(host), std::move(directory), port, kHttpService};
}

TEST(UpdateConfig, MainKeysAreReadWithTheirCapacitiesAndWords) {
    ScratchFolder folder;
    const std::string longName(200, 'N');
    UpdateConfig config = Load(folder,
                               "[Main]\n"
                               "VerFileName=omnisweep.ver\n"
                               "ExeFileName = Setup.exe \n"
                               "ProductNameSuffix=not the product name\n"
                               "ProductName=" +
                                   longName +
                                   "\n"
                                   "ProductVer=" +
                                   std::string(40, '9') +
                                   "\n"
                                   "ReleaseNotesUrl=https://example.org/notes\n"
                                   "CheckForUpdate=NO\n"
                                   "ConfirmationDownloadAndInstall=YES\n"
                                   "ConfirmationReboot=Yes please\n"
                                   "UpdatePeriod=Monthly\n");
    EXPECT_EQ(config.verFileName, u"omnisweep.ver");
    EXPECT_EQ(config.exeFileName, u"Setup.exe ");
    EXPECT_EQ(config.productName, WString(127, u'N'));
    EXPECT_EQ(config.productVer, WString(31, u'9'));
    EXPECT_EQ(config.releaseNotesUrl, u"https://example.org/notes");
    EXPECT_EQ(config.autoUpdateOff, 1);
    EXPECT_EQ(config.confirmDownload, 1);
    EXPECT_EQ(config.confirmRestart, 0);  // any word but "yes" clears it
    EXPECT_EQ(config.period, kPeriodMonthly);
    // No site section: every record stays empty.
    for (const DownloadSite& site : config.sites)
        EXPECT_TRUE(site.IsEmpty());

    // Words in any case; an unknown period keeps the one before; any word but
    // "no" turns the check on.
    struct Case {
        const char* text;
        uint8_t autoUpdateOff, confirmDownload, period;
    };
    for (const Case& c :
         {Case{"CheckForUpdate=yes\nUpdatePeriod=DAILY\n", 0, 1, kPeriodDaily},
          Case{"CheckForUpdate=no \nUpdatePeriod=weekly\n", 0, 1, kPeriodWeekly},
          Case{"CheckForUpdate=nO\nUpdatePeriod=yearly\n", 1, 1, kPeriodWeekly},
          Case{"ConfirmationDownloadAndInstall=no\nUpdatePeriod=\n", 1, 0, kPeriodWeekly}}) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(LoadUpdateConfig(folder.Write(u"renovo.cfg", std::string("[MAIN]\n") + c.text),
                                     nullptr, config));
        EXPECT_EQ(config.autoUpdateOff, c.autoUpdateOff);
        EXPECT_EQ(config.confirmDownload, c.confirmDownload);
        EXPECT_EQ(config.period, c.period);
    }
    // Keys that are absent leave what an earlier load read.
    EXPECT_EQ(config.productName, WString(127, u'N'));

    // Defaults of a file without [Main], and the settings that start from them.
    const UpdateConfig defaults = Load(folder, "[Other]\nProductName=x\n");
    EXPECT_EQ(defaults.productName, u"");
    EXPECT_EQ(defaults.autoUpdateOff, 0);
    EXPECT_EQ(defaults.confirmDownload, 1);
    EXPECT_EQ(defaults.confirmRestart, 1);
    EXPECT_EQ(defaults.period, kPeriodWeekly);
    const UpdateSettings start = UpdateSettings::FromConfig(config);
    EXPECT_EQ(start.siteIndex, 0);
    EXPECT_EQ(start.autoUpdateOff, 1);
    EXPECT_EQ(start.confirmDownload, 0);
    EXPECT_EQ(start.confirmRestart, 0);
    EXPECT_EQ(start.showAllFiles, 1);
    EXPECT_EQ(start.period, kPeriodWeekly);
    EXPECT_EQ(start.lastCheck, 0);
    EXPECT_EQ(start.showAllOs, 0);
}

TEST(UpdateConfig, SitesAreReadInOrderUntilTheFirstWithoutAnAddress) {
    ScratchFolder folder;
    std::string text =
        "[URL]\nAddress=first.example\nAddress=second address line\n"
        "DownloadDir=updates/quelix\nType=HTTPS\n";
    for (int i = 1; i <= 9; ++i) {
        text += "[url" + std::to_string(i) + "]\nAddress=site" + std::to_string(i) + "\n";
        if (i == 1)
            text += "Type=gopher\nDownloadDir=\n";
        if (i == 2)
            text += "Type=ldaps\nPort=8443/path\n";
        if (i == 3)
            text += "Port=none\n";
        if (i == 4)
            text += "Port=4294967297\nType=https\n";
        if (i == 5)
            text += "Type=http\nPort = \t99999\n";
    }
    UpdateConfig config = Load(folder, text);
    EXPECT_EQ(config.sites[0], Site(SiteKind::Https, "first.example", "updates/quelix", 443));
    EXPECT_EQ(config.sites[1], Site(SiteKind::Undefined, "site1", "", 80));
    EXPECT_EQ(config.sites[2], Site(SiteKind::Ldaps, "site2", "", 8443));
    EXPECT_EQ(config.sites[3], Site(SiteKind::Http, "site3", "", 0));
    // Ports above 65535 do not wrap into a usable port (99999 once gave 34463).
    EXPECT_EQ(config.sites[4], Site(SiteKind::Https, "site4", "", -1));
    EXPECT_EQ(config.sites[5], Site(SiteKind::Http, "site5", "", -1));
    EXPECT_EQ(config.sites[9], Site(SiteKind::Http, "site9", "", 80));
    EXPECT_EQ(SiteKindName(config.sites[1].kind), "undefined");

    // Hosts and folders are kept in the ANSI code page.
    config =
        Load(folder, "\xEF\xBB\xBF[URL]\nAddress=h\xC3\xB4st\nDownloadDir=d\xC3\xA9p\xC3\xB4t\n");
    EXPECT_EQ(config.sites[0].host, platform::ToAnsi(u"hôst"));
    EXPECT_EQ(config.sites[0].directory, platform::ToAnsi(u"dépôt"));

    // The first site section without an address ends the list, even when the
    // next one has one; a reload empties the records it no longer fills.
    UpdateConfig reloaded = config;
    EXPECT_TRUE(LoadUpdateConfig(
        folder.Write(u"renovo.cfg", "[URL]\nDownloadDir=x\n[URL1]\nAddress=site1\n"), nullptr,
        reloaded));
    for (const DownloadSite& site : reloaded.sites)
        EXPECT_TRUE(site.IsEmpty());
    reloaded = Load(folder, "[URL]\nAddress=\n[URL2]\nAddress=skipped\n");
    EXPECT_EQ(reloaded.sites[0], Site(SiteKind::Http, "", "", 80));
    EXPECT_TRUE(reloaded.sites[1].IsEmpty());
    EXPECT_TRUE(reloaded.sites[2].IsEmpty());

    // The settings' site index selects a record only inside the ten.
    EXPECT_EQ(reloaded.Site(0), &reloaded.sites[0]);
    EXPECT_EQ(reloaded.Site(9), &reloaded.sites[9]);
    EXPECT_EQ(reloaded.Site(10), nullptr);
    EXPECT_EQ(reloaded.Site(-1), nullptr);

    EXPECT_EQ(ParsePortNumber(u""), 0);
    EXPECT_EQ(ParsePortNumber(u"-5"), 0);
    EXPECT_EQ(ParsePortNumber(u" 5"), 0);
    EXPECT_EQ(ParsePortNumber(u"0443"), 443);
    EXPECT_EQ(ParsePortNumber(u"65535"), 65535);
    EXPECT_EQ(ParsePortNumber(u"65536"), -1);
    EXPECT_EQ(ParsePortNumber(u"99999999999999999999"), -1);
}

TEST(UpdateConfig, APortOutsideTheRangeIsNamedAndNeverUsable) {
    ScratchFolder folder;
    MessageRecorder owner;
    UpdateConfig config;
    ASSERT_TRUE(LoadUpdateConfig(folder.Write(u"renovo.cfg",
                                              "[URL]\nAddress=a\nPort=65535\n"
                                              "[URL1]\nAddress=b\nPort=99999\n"
                                              "[URL2]\nAddress=c\nPort=none\n"
                                              "[URL3]\nAddress=d\nPort=1\n"),
                                 &owner, config));
    EXPECT_EQ(config.sites[0].port, 65535);
    EXPECT_EQ(config.sites[3].port, 1);
    EXPECT_FALSE(IsUsablePort(config.sites[1].port));
    EXPECT_FALSE(IsUsablePort(config.sites[2].port));
    ASSERT_EQ(owner.shown.size(), 2u);
    EXPECT_EQ(owner.shown[0].text,
              u"[URL1] in renovo.cfg: the port \"99999\" is not a number from 1 to 65535. "
              u"Files cannot be downloaded from this site.");
    EXPECT_EQ(owner.shown[1].text,
              u"[URL2] in renovo.cfg: the port \"none\" is not a number from 1 to 65535. "
              u"Files cannot be downloaded from this site.");
    EXPECT_EQ(owner.shown[0].caption, u"Renovo");
    EXPECT_EQ(owner.shown[0].style, kMessageErrorIcon);
}

TEST(UpdateConfig, AMissingFileShowsItsMessageAndChangesNothing) {
    ScratchFolder folder;
    UpdateConfig config = Load(folder, "[Main]\nProductName=Kept\n[URL]\nAddress=kept\n");
    MessageRecorder owner;
    const UpdateConfig before = config;
    EXPECT_FALSE(LoadUpdateConfig(folder / u"missing.cfg", &owner, config));
    ASSERT_EQ(owner.shown.size(), 1u);
    EXPECT_EQ(owner.shown[0].caption, u"Renovo");
    EXPECT_EQ(config.productName, before.productName);
    EXPECT_EQ(config.sites, before.sites);
}

// The demo product's configuration and version description, as shipped.
TEST(UpdateConfig, TheSampleConfigurationReads) {
    UpdateConfig config;
    ASSERT_TRUE(
        LoadUpdateConfig(qo::test::SourceFile({u"payload", u"renovo.cfg"}), nullptr, config));
    EXPECT_EQ(config.productName, u"Quelix Omnisweep");
    EXPECT_EQ(config.productVer, u"1.0.0.0");
    EXPECT_EQ(config.verFileName, u"omnisweep.ver");
    EXPECT_EQ(config.exeFileName, u"QuelixOmnisweepSetup.exe");
    EXPECT_EQ(config.autoUpdateOff, 0);
    EXPECT_EQ(config.period, kPeriodWeekly);
    EXPECT_EQ(config.sites[0], Site(SiteKind::Http, "127.0.0.1", "quelix/update", 8080));
    EXPECT_EQ(config.sites[1], Site(SiteKind::Https, "localhost", "quelix/update", 8443));
    EXPECT_TRUE(config.sites[2].IsEmpty());
}

}  // namespace
}  // namespace updater
