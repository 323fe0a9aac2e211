// LaunchProcess against a fake starter: which start is chosen, how the
// command line is split for the consent prompt, and what is reported.
#include "updater/install/launch.h"

#include <gtest/gtest.h>

#include "updater/install/testing/fake_starter.h"

namespace updater {
namespace {

using Kind = ExitStatus::Kind;

TEST(LaunchProcess, ChoosesTheStartAndReportsItsOutcome) {
    const platform::WString line = u"\"C:\\My Apps\\setup.exe\" -H";
    struct Case {
        const char* name;
        bool administrator;
        bool consent;
        bool elevationAware;
        long startError;
        ExitStatus status;
        bool elevated;  // expected start, when any
        long exitCode;
        bool started;
    };
    const std::vector<Case> cases = {
        {"with rights", true, true, true, 0, {Kind::Exited, 3}, false, 3, true},
        {"not elevation-aware", false, true, false, 0, {Kind::Exited, 1}, false, 1, true},
        {"direct start fails", true, true, true, 2, {}, false, 2, false},
        {"prompt accepted", false, true, true, 0, {Kind::Exited, 3}, true, 3, true},
        {"prompt declined", false, true, true, 1223, {}, true, 1223, false},
        {"pkexec dismissed", false, true, true, 0, {Kind::Declined, 126}, true, 1223, false},
        {"elevated start fails", false, true, true, 5, {}, true, 5, false},
        {"crash", true, true, true, 0, {Kind::Crashed, 137}, false, 137, true},
        {"negative exit code",
         true,
         true,
         true,
         0,
         {Kind::Exited, 0xC0000005},
         false,
         static_cast<long>(static_cast<int32_t>(0xC0000005)),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FakeStarter starter;
        starter.administrator = c.administrator;
        starter.consentPrompt = c.consent;
        starter.startError = c.startError;
        starter.status = c.status;
        LaunchReport report;
        EXPECT_EQ(LaunchProcess(starter, line, WaitMode::Forever, false, {}, report,
                                c.elevationAware, nullptr),
                  nullptr);
        EXPECT_EQ(report.exitCode, c.exitCode);
        EXPECT_EQ(report.started, c.started);
        ASSERT_EQ(starter.calls.size(), 1u);
        EXPECT_EQ(starter.calls[0].elevated, c.elevated);
        if (c.elevated) {
            EXPECT_EQ(starter.calls[0].program, u"C:\\My Apps\\setup.exe");
            EXPECT_EQ(starter.calls[0].parameters, u"-H");
        } else {
            EXPECT_EQ(starter.calls[0].line, line);
        }
    }
}

TEST(LaunchProcess, StartsNothingWithoutAWayToElevateOrASplit) {
    const platform::WString longName = u"\"" + platform::WString(260, u'x') + u"\" -H";
    struct Case {
        const char* name;
        bool consent;
        platform::WString line;
        long exitCode;
    };
    const std::vector<Case> cases = {
        {"no consent prompt", false, u"\"setup.exe\" -H", -2},
        {"missing closing quote", true, u"\"C:\\My Apps\\setup.exe -H", -1},
        {"program part too long", true, longName, -1},
        {"empty program", true, u"\"\" -H", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FakeStarter starter;
        starter.consentPrompt = c.consent;
        LaunchReport report;
        LaunchProcess(starter, c.line, WaitMode::Forever, false, {}, report, true, nullptr);
        EXPECT_EQ(report.exitCode, c.exitCode);
        EXPECT_FALSE(report.started);
        EXPECT_TRUE(starter.calls.empty());
    }
}

TEST(LaunchProcess, SplitsTheProgramFromItsParameters) {
    struct Case {
        platform::WString line;
        platform::WString program;
        platform::WString parameters;
    };
    const std::vector<Case> cases = {
        {u"\"C:\\My Apps\\setup.exe\" -H", u"C:\\My Apps\\setup.exe", u"-H"},
        {u"\"C:\\setup.exe\"", u"C:\\setup.exe", u""},
        {u"\"C:\\setup.exe\"-H", u"C:\\setup.exe", u"-H"},
        {u"setup.exe    -H  x", u"setup.exe", u"-H  x"},
        {u"setup.exe", u"setup.exe", u""},
        {u"\"" + platform::WString(259, u'x') + u"\"", platform::WString(259, u'x'), u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.line));
        platform::WString program, parameters;
        ASSERT_TRUE(SplitForElevation(c.line, program, parameters));
        EXPECT_EQ(program, c.program);
        EXPECT_EQ(parameters, c.parameters);
    }
}

TEST(LaunchProcess, ReturnsTheRunningProcessWithoutWaiting) {
    testing::FakeStarter starter;
    starter.administrator = true;
    starter.status = {Kind::Exited, 3};
    LaunchReport report;
    auto process =
        LaunchProcess(starter, u"\"setup\"", WaitMode::Return, false, {}, report, true, nullptr);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(report.started);
    EXPECT_EQ(report.exitCode, -1);
    WaitAndReport(*process, report);
    EXPECT_EQ(report.exitCode, 3);
}

}  // namespace
}  // namespace updater
