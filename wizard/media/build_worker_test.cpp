#include "wizard/media/build_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/wait.h"
#include "wizard/media/testing/recording_reporter.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;

using qo::test::kGenerousWait;
using testing::RecordingReporter;

platform::WString ChildTool() {
#ifdef _WIN32
    return platform::JoinPath(platform::ProgramFolder(), u"qo_test_child.exe");
#else
    return platform::JoinPath(platform::ProgramFolder(), u"qo_test_child");
#endif
}

TEST(BuildWorker, ReportsStepsWithPausesAndHandsOverTheOutcome) {
    for (const bool succeeds : {true, false}) {
        RecordingReporter reporter;
        BuildWorker worker(reporter, 30ms);
        std::promise<int> result;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(worker.Start(
            [&](BuildContext& build) {
                EXPECT_TRUE(build.ReportStep(u"Creating temporary folders...", 5));
                EXPECT_TRUE(build.ReportStep(u"Finished...", 100));
                if (!succeeds)
                    build.ShowBuildError(151);
                return succeeds;
            },
            [&](int buildResult) { result.set_value(buildResult); }));
        EXPECT_EQ(result.get_future().get(), succeeds ? kBuildCreated : kBuildFailed);
        worker.Join();
        EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);  // two pauses
        EXPECT_EQ(reporter.steps,
                  (std::vector<std::string>{"Creating temporary folders...@5", "Finished...@100"}));
        EXPECT_EQ(reporter.errors, succeeds ? std::vector<int>{} : std::vector<int>{151});
        EXPECT_FALSE(worker.Start([](BuildContext&) { return true; }, nullptr));  // one build only
    }
}

TEST(BuildWorker, CancelStopsTheBuildBetweenStepsAndNothingIsReportedAsDone) {
    RecordingReporter reporter;
    BuildWorker worker(reporter, 10min);  // only a cancel ends a pause this long
    std::atomic<bool> doneCalled{false};
    std::atomic<int> stepsAfterStop{0};
    ASSERT_TRUE(worker.Start(
        [&](BuildContext& build) {
            for (int i = 0; i < 1000; ++i) {
                if (!build.ReportStep(u"step", i % 100))
                    return false;
            }
            stepsAfterStop = 1;
            return true;
        },
        [&](int) { doneCalled = true; }));
    ASSERT_TRUE(reporter.WaitForSteps(1, kGenerousWait));
    EXPECT_TRUE(worker.Cancel(kGenerousWait));  // the pause is cut short
    worker.Join();
    EXPECT_FALSE(doneCalled);
    EXPECT_EQ(stepsAfterStop, 0);
    EXPECT_EQ(reporter.steps, std::vector<std::string>{"step@0"});
}

TEST(BuildWorker, CancelKillsTheRunningToolAndAWorkerAfterACancelBuildsNothing) {
    RecordingReporter reporter;
    BuildWorker worker(reporter, 1ms);
    std::promise<void> toolRunning;
    std::atomic<bool> toolEndedNormally{true};
    platform::Process tool;
    // A tool that would outlast the cancel's grace time by far.
    const platform::WString command = u"\"" + ChildTool() + u"\" sleep 120000";
    ASSERT_TRUE(worker.Start(
        [&](BuildContext& build) {
            if (build.StartTool(tool, command, {}) != 0)
                return false;
            toolRunning.set_value();
            toolEndedNormally = build.WaitTool(tool);
            return toolEndedNormally.load();
        },
        nullptr));
    toolRunning.get_future().wait();
    EXPECT_TRUE(worker.Cancel(kGenerousWait));
    worker.Join();
    EXPECT_FALSE(toolEndedNormally);
    EXPECT_EQ(tool.Wait(0), platform::WaitResult::Exited);

    // Cancelled before the worker ran: the builder is never called.
    RecordingReporter reporter2;
    BuildWorker late(reporter2, 1ms);
    EXPECT_TRUE(late.Cancel(0ms));
    std::atomic<bool> built{false};
    ASSERT_TRUE(late.Start([&](BuildContext&) { return built = true; }, nullptr));
    late.Join();
    EXPECT_FALSE(built);
}

TEST(BuildWorker, AWorkerStillBusyAfterTheGraceTimeIsDetached) {
    RecordingReporter reporter;
    BuildWorker worker(reporter, 1ms);
    std::promise<void> started;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> doneCalled{false};
    ASSERT_TRUE(worker.Start(
        [&](BuildContext& build) {
            started.set_value();
            released.wait();  // a step that does not look at the stop flag
            build.ShowBuildError(150);
            EXPECT_FALSE(build.ReportStep(u"late", 99));
            return true;
        },
        [&](int) { doneCalled = true; }));
    started.get_future().wait();
    EXPECT_FALSE(worker.Cancel(50ms));
    release.set_value();
    worker.Join();
    EXPECT_TRUE(reporter.errors.empty());
    EXPECT_TRUE(reporter.steps.empty());
    EXPECT_FALSE(doneCalled);
}

}  // namespace
}  // namespace wizard
