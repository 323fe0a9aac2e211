// Start-up: the configuration and the main record read from files and the
// registry of the test, the master switch, the due rule, the "auto" command
// line and the decision between the scheduled check and the window.
#include "updater/app/startup.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/testing/fake_front_end.h"
#include "updater/app/testing/scratch_registry.h"
#include "updater/app/updater_strings.h"
#include "updater/install/testing/fake_starter.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

using platform::WString;

constexpr int64_t kDay = 86400;
constexpr int64_t kNow = 1767225600;  // 2026-01-01 00:00 UTC

TEST(StartUp, TheScheduledCheckIsDueAfterThePeriodsWholeDays) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    constexpr int64_t k2038 = int64_t{1} << 31;  // 2038-01-19 03:14:08 UTC
    struct Case {
        const char* name;
        uint8_t period;
        int64_t lastCheck;
        int64_t now;
        bool due;
    };
    const std::vector<Case> cases = {
        {"daily, a second short", kPeriodDaily, kNow - kDay + 1, kNow, false},
        {"daily, one day", kPeriodDaily, kNow - kDay, kNow, true},
        {"weekly, 6 days 23 hours", kPeriodWeekly, kNow - 7 * kDay + 3600, kNow, false},
        {"weekly, 7 days", kPeriodWeekly, kNow - 7 * kDay, kNow, true},
        {"monthly, 29 days", kPeriodMonthly, kNow - 29 * kDay, kNow, false},
        {"monthly, 30 days", kPeriodMonthly, kNow - 30 * kDay, kNow, true},
        {"never checked, daily", kPeriodDaily, 0, kNow, true},
        {"never checked, weekly", kPeriodWeekly, 0, kNow, true},
        {"never checked, monthly", kPeriodMonthly, 0, kNow, true},
        {"no such period", 3, 0, kNow, false},
        {"no such period, 255", 255, kNow - 400 * kDay, kNow, false},
        {"last check an hour ahead", kPeriodDaily, kNow + 3600, kNow, false},
        {"ahead, a day past it less a second", kPeriodDaily, kNow + 3600, kNow + 3600 + kDay - 1,
         false},
        {"ahead, a day past it", kPeriodDaily, kNow + 3600, kNow + 3600 + kDay, true},
        {"ahead by 40 days, weekly", kPeriodWeekly, kNow + 40 * kDay, kNow, false},
        {"never checked, after 2038", kPeriodDaily, 0, k2038 + 1000, true},
        {"never checked, 2100", kPeriodMonthly, 0, 4102444800, true},
        {"a week before, across 2038", kPeriodWeekly, k2038 - 3 * kDay, k2038 + 4 * kDay, true},
        {"ahead by 70 years", kPeriodDaily, kNow + (int64_t{70} * 365 * kDay), kNow, false},
        {"the largest last check", kPeriodDaily, kMax, kNow, false},
        {"the smallest last check", kPeriodDaily, kMin, kNow, true},
        {"the smallest last check, before 1970", kPeriodDaily, kMin, -kDay, true},
    };
    for (const Case& c : cases) {
        UpdateSettings settings;
        settings.period = c.period;
        settings.lastCheck = c.lastCheck;
        EXPECT_EQ(ScheduledCheckDue(settings, c.now), c.due) << c.name;
    }
}

TEST(StartUp, OnlyTheWholeCommandLineAutoRunsTheScheduledCheck) {
    const std::vector<std::pair<WString, StartMode>> lines = {
        {u"auto", StartMode::Scheduled},    {u"AUTO", StartMode::Scheduled},
        {u"Auto", StartMode::Scheduled},    {u"auto ", StartMode::Interactive},
        {u" auto", StartMode::Interactive}, {u"auto x", StartMode::Interactive},
        {u"autox", StartMode::Interactive}, {u"\"auto\"", StartMode::Interactive},
        {u"", StartMode::Interactive},      {u"-auto", StartMode::Interactive},
        {u"aut", StartMode::Interactive},   {u"auto\t", StartMode::Interactive},
    };
    for (const auto& [line, mode] : lines)
        EXPECT_EQ(StartModeOf(line), mode) << platform::ToUtf8(line);

    // Arguments join with single blanks, so a blank inside one stays.
    const std::vector<std::pair<std::vector<const char*>, WString>> arguments = {
        {{"Renovo"}, u""},
        {{"Renovo", "auto"}, u"auto"},
        {{"Renovo", "auto", "now"}, u"auto now"},
        {{"Renovo", "auto "}, u"auto "},
        {{"Renovo", "Grüße"}, u"Grüße"},
    };
    for (const auto& [argv, line] : arguments) {
        EXPECT_EQ(CommandLineOf(static_cast<int>(argv.size()), argv.data()), line);
        EXPECT_EQ(StartModeOf(CommandLineOf(static_cast<int>(argv.size()), argv.data())),
                  line == u"auto" ? StartMode::Scheduled : StartMode::Interactive);
    }
}

TEST(StartUp, TheMasterSwitchIsOffOnlyForAOneByteZero) {
    testing::ScratchRegistry registry;
    struct Case {
        const char* name;
        bool stored;  // false: the value is missing
        uint32_t type;
        std::vector<uint8_t> bytes;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"missing", false, platform::kRegBinary, {}, true},
        {"one byte 0", true, platform::kRegBinary, {0}, false},
        {"one byte 1", true, platform::kRegBinary, {1}, true},
        {"one byte 255", true, platform::kRegBinary, {255}, true},
        {"one byte 0 of another type", true, platform::kRegDword, {0}, false},
        {"four-byte 0", true, platform::kRegDword, {0, 0, 0, 0}, true},
        {"two bytes 0", true, platform::kRegBinary, {0, 0}, true},
        {"empty", true, platform::kRegBinary, {}, true},
        {"the text 0", true, platform::kRegSz, {'0', 0, 0, 0}, true},
    };
    // No key at all.
    EXPECT_TRUE(ReadMasterSwitch(testing::UniqueName(u"No Such Product ")));
    for (const Case& c : cases) {
        const WString product = testing::UniqueName(u"Switch Product ");
        platform::RegistryKey key;
        ASSERT_EQ(key.Create(platform::Hive::CurrentUser, u"Software\\Korvane\\" + product,
                             platform::kKeyWrite),
                  0);
        if (c.stored) {
            ASSERT_EQ(key.Set(kMasterSwitchValue, c.type, c.bytes.data(),
                              static_cast<uint32_t>(c.bytes.size())),
                      0);
        }
        EXPECT_EQ(ReadMasterSwitch(product), c.enabled) << c.name;
    }
}

// A program folder with renovo.cfg, a temporary folder and a registry of the
// test's own.
class Start : public ::testing::Test {
  protected:
    Start() {
        program_ = scratch_ / u"program";
        temp_ = scratch_ / u"temp";
        EXPECT_TRUE(platform::CreateFolder(program_));
        EXPECT_TRUE(platform::CreateFolder(temp_));
        product_ = testing::UniqueName(u"Quelix Omnisweep ");
        WriteConfig("daily", "yes");
    }

    void WriteConfig(const char* period, const char* check) {
        qo::test::WriteFileBytes(
            platform::JoinPath(program_, u"renovo.cfg"),
            "[Main]\r\nProductName=" + platform::ToUtf8(product_) +
                "\r\nVerFileName=omnisweep.ver\r\nExeFileName=setup.exe\r\nUpdatePeriod=" + period +
                "\r\nCheckForUpdate=" + check +
                "\r\n[URL]\r\nAddress=updates.example\r\nDownloadDir=omnisweep\r\n");
        qo::test::WriteFileBytes(platform::JoinPath(program_, u"omnisweep.ver"), "[HASH]\nr1\n");
    }

    void SetSwitch(uint8_t value) {
        platform::RegistryKey key;
        ASSERT_EQ(key.Create(platform::Hive::CurrentUser, u"Software\\Korvane\\" + product_,
                             platform::kKeyWrite),
                  0);
        ASSERT_EQ(key.Set(kMasterSwitchValue, platform::kRegBinary, &value, 1), 0);
    }

    void Start_(UpdaterState& state) {
        StartUp(state, configMessages_, EnglishStrings(), StartUpOptions{program_, temp_});
    }

    UpdateServices Services(int64_t now) {
        return UpdateServices{front_, EnglishStrings(), starter_,
                              check_, restarter_,       [now] { return now; }};
    }

    testing::ScratchRegistry registry_;
    qo::test::ScratchFolder scratch_{u"qo start"};
    WString program_;
    WString temp_;
    WString product_;
    testing::MessageRecorder configMessages_;
    testing::FakeFrontEnd front_;
    testing::FakeStarter starter_;
    CSignatureCheck check_{SignatureCheckSetup{nullptr, {}, u"", true, false}};
    testing::CountingRestart restarter_;
};

TEST_F(Start, ReadsTheConfigurationTheRecordAndTheSwitch) {
    UpdaterState state;
    Start_(state);
    EXPECT_TRUE(configMessages_.shown.empty());
    EXPECT_EQ(state.title, u"KV Automatic Update");
    EXPECT_EQ(state.config.productName, product_);
    EXPECT_EQ(state.installedFolder, program_ + platform::kPathSeparator);
    EXPECT_EQ(state.settings, UpdateSettings::FromConfig(state.config));
    EXPECT_EQ(state.settings.period, kPeriodDaily);
    // No folder stored: the product's folder below the temporary one, made.
    const WString made = platform::JoinPath(temp_, product_ + u"_autoUpdate");
    EXPECT_EQ(state.downloadFolder, made);
    EXPECT_TRUE(platform::IsFolder(made));
    EXPECT_TRUE(state.autoUpdateEnabled);
    EXPECT_EQ(state.interactiveMode, 1);

    // A stored record replaces the defaults and names the folder.
    UpdateSettings stored = state.settings;
    stored.period = kPeriodMonthly;
    stored.siteIndex = 1;
    stored.lastCheck = kNow;
    ASSERT_TRUE(state.mainRecord.Save(nullptr, stored, u"D:\\Downloads"));
    SetSwitch(0);
    UpdaterState again;
    Start_(again);
    EXPECT_EQ(again.settings, stored);
    EXPECT_EQ(again.downloadFolder, u"D:\\Downloads");
    EXPECT_FALSE(again.autoUpdateEnabled);
    SetSwitch(7);
    UpdaterState on;
    Start_(on);
    EXPECT_TRUE(on.autoUpdateEnabled);

    // Without renovo.cfg the reader's message goes to the owner and the
    // defaults stay.
    ASSERT_TRUE(platform::DeleteOneFile(platform::JoinPath(program_, u"renovo.cfg")));
    UpdaterState bare;
    Start_(bare);
    ASSERT_EQ(configMessages_.shown.size(), 1u);
    EXPECT_EQ(configMessages_.shown[0].text,
              u"Error in opening file\n'" + platform::JoinPath(program_, u"renovo.cfg") + u"'");
    EXPECT_EQ(bare.config.productName, u"");
    EXPECT_EQ(bare.settings, UpdateSettings{});
    EXPECT_EQ(bare.downloadFolder, platform::JoinPath(temp_, u"_autoUpdate"));
}

TEST_F(Start, TheDecisionRunsTheCheckOrOpensTheWindow) {
    struct Case {
        const char* name;
        const char16_t* commandLine;
        const char* checkForUpdate = "yes";
        int masterSwitch = -1;  // -1: not stored
        int64_t lastCheck = 0;
        const char* siteRelease = "r2";
        int32_t descriptionDownload = 0;
        int downloadAnswer = kAnswerYes;
        // Expected:
        bool openWindow = false;
        int startPage = kStartPageOptions;
        int exitCode = 0;
        size_t downloads = 0;
        size_t messages = 0;
        int64_t storedLastCheck = 0;  // after the run
    };
    const std::vector<Case> cases = {
        {.name = "window", .commandLine = u"", .openWindow = true},
        {.name = "window, switched off",
         .commandLine = u"",
         .masterSwitch = 0,
         .exitCode = -1,
         .messages = 1},
        {.name = "window, switch on", .commandLine = u"", .masterSwitch = 1, .openWindow = true},
        {.name = "auto, settings off", .commandLine = u"auto", .checkForUpdate = "no"},
        {.name = "auto, switched off", .commandLine = u"AUTO", .masterSwitch = 0},
        {.name = "auto, not due",
         .commandLine = u"auto",
         .lastCheck = kNow - kDay + 60,
         .storedLastCheck = kNow - kDay + 60},
        {.name = "auto, current",
         .commandLine = u"auto",
         .siteRelease = "r1",
         .exitCode = 1,
         .downloads = 1,
         .storedLastCheck = kNow},
        {.name = "auto, description failed",
         .commandLine = u"auto",
         .descriptionDownload = -14,
         .exitCode = -1,
         .downloads = 1},
        {.name = "auto, declined",
         .commandLine = u"auto",
         .downloadAnswer = kAnswerNo,
         .exitCode = 2,
         .downloads = 1,
         .storedLastCheck = kNow},
        {.name = "auto, details",
         .commandLine = u"auto",
         .downloadAnswer = kAnswerViewDetails,
         .openWindow = true,
         .startPage = kStartPageVersions,
         .exitCode = 5,
         .downloads = 1,
         .storedLastCheck = kNow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        product_ = testing::UniqueName(u"Quelix Omnisweep ");
        WriteConfig("daily", c.checkForUpdate);
        if (c.masterSwitch >= 0)
            SetSwitch(static_cast<uint8_t>(c.masterSwitch));
        UpdaterState state;
        Start_(state);
        state.settings.lastCheck = c.lastCheck;
        ASSERT_TRUE(state.mainRecord.Save(nullptr, state.settings, state.downloadFolder));
        front_ = testing::FakeFrontEnd{};
        front_.downloads["omnisweep.ver"] = {c.descriptionDownload,
                                             std::string("[HASH]\n") + c.siteRelease + "\n"};
        front_.downloadAnswer = c.downloadAnswer;
        testing::MessageRecorder desktop;
        UpdateServices services = Services(kNow);

        const StartDecision decision = DecideStart(state, services, c.commandLine, desktop);
        EXPECT_EQ(decision.openWindow, c.openWindow);
        if (c.openWindow) {
            EXPECT_EQ(decision.startPage, c.startPage);
            // The window is an interactive run, also after the scheduled check.
            EXPECT_EQ(state.interactiveMode, 1);
        } else {
            EXPECT_EQ(decision.exitCode, c.exitCode);
        }
        EXPECT_EQ(front_.downloadCalls.size(), c.downloads);
        // The scheduled run shows nothing of its own.
        EXPECT_TRUE(front_.messages.shown.empty());
        ASSERT_EQ(desktop.shown.size(), c.messages);
        if (c.messages == 1) {
            EXPECT_EQ(desktop.shown[0].text,
                      u"Automatic update feature for " + product_ + u" is disabled.");
            EXPECT_EQ(desktop.shown[0].caption, u"KV Automatic Update");
            EXPECT_EQ(desktop.shown[0].style, kMessageErrorIcon);
        }
        UpdateSettings stored;
        WString folder;
        MainWindowRecord record;
        record.Prepare(product_);
        ASSERT_TRUE(record.Read(nullptr, stored, folder));
        EXPECT_EQ(stored.lastCheck, c.storedLastCheck);
    }
}

}  // namespace
}  // namespace updater
