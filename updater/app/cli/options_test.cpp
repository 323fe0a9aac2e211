#include "updater/app/cli/options.h"

#include <gtest/gtest.h>

namespace updater::cli {
namespace {

TEST(RenovoOptions, CommandLines) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        Action action;
        std::string error;  // part of the message
    };
    const std::vector<Case> cases = {
        {{}, true, Action::Interactive, ""},
        {{"auto"}, true, Action::Scheduled, ""},
        {{"AUTO"}, true, Action::Scheduled, ""},
        {{"auto "}, true, Action::Interactive, ""},
        {{"AUTO", "--versions"}, true, Action::Interactive, ""},
        {{"--versions", "auto"}, false, Action::Interactive, "whole command line"},
        {{"--versions"}, true, Action::Versions, ""},
        {{"--help"}, true, Action::Help, ""},
        {{"--period", "daily", "--auto-update=off"}, true, Action::Settings, ""},
        {{"--period", "yearly"}, false, Action::Interactive, "daily, weekly or monthly"},
        {{"--auto-update", "yes"}, false, Action::Interactive, "on or off"},
        {{"--confirm-download"}, false, Action::Interactive, "needs a value"},
        {{"--site", "-1"}, false, Action::Interactive, "not '-1'"},
        {{"--site", "10"}, false, Action::Interactive, "0 to 9"},
        {{"--site", "2x"}, false, Action::Interactive, "not '2x'"},
        {{"--site", "99999999999999999999"}, false, Action::Interactive, "0 to 9"},
        {{"--download-folder="}, false, Action::Interactive, "takes a folder"},
        {{"--versions", "--site", "1"}, false, Action::Interactive, "does not take"},
        {{"--bogus"}, false, Action::Interactive, "unknown argument '--bogus'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        Options options;
        std::string error;
        ASSERT_EQ(ParseOptions(c.args, options, error), c.ok) << error;
        if (c.ok)
            EXPECT_EQ(options.action, c.action);
        else
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// The options change the settings as the page stores them; a refused value
// changes nothing at all.
TEST(RenovoOptions, ApplyToSettings) {
    UpdaterState state;
    state.config.sites[0].host = "127.0.0.1";
    state.config.sites[2].host = "mirror.example";
    state.settings.autoUpdateOff = 0;
    state.settings.confirmDownload = 1;
    state.downloadFolder = u"/var/tmp/old";

    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--auto-update", "off", "--period", "monthly", "--confirm-download",
                              "off", "--site", "2", "--download-folder", "/srv/updates//"},
                             options, error));
    ASSERT_TRUE(ApplyOptionChanges(options.changes, state, error)) << error;
    EXPECT_EQ(state.settings.autoUpdateOff, 1);
    EXPECT_EQ(state.settings.period, kPeriodMonthly);
    EXPECT_EQ(state.settings.confirmDownload, 0);
    EXPECT_EQ(state.settings.siteIndex, 2);
    EXPECT_EQ(state.downloadFolder, u"/srv/updates");

    const UpdaterState before = state;
    for (const char* site : {"1", "9"}) {  // configured without a host, or not at all
        ASSERT_TRUE(ParseOptions({"--period", "daily", "--site", site}, options, error));
        EXPECT_FALSE(ApplyOptionChanges(options.changes, state, error));
        EXPECT_NE(error.find("no download site " + std::string(site)), std::string::npos);
    }
    ASSERT_TRUE(ParseOptions({"--period", "daily", "--download-folder", std::string(300, 'd')},
                             options, error));
    EXPECT_FALSE(ApplyOptionChanges(options.changes, state, error));
    EXPECT_NE(error.find("at most 259"), std::string::npos);
    EXPECT_EQ(state.settings, before.settings);
    EXPECT_EQ(state.downloadFolder, before.downloadFolder);
}

}  // namespace
}  // namespace updater::cli
