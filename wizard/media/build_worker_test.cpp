#include "wizard/media/build_worker.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "platform/files.h"

namespace wizard {
namespace {

using namespace std::chrono_literals;

// Records everything a build shows.
class FakeReporter : public BuildReporter {
  public:
    void ShowStep(const platform::WString& text, int position) override {
        std::lock_guard<std::mutex> lock(mutex);
        steps.push_back(platform::ToUtf8(text) + "@" + std::to_string(position));
    }
    void ShowError(int stringId) override {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(stringId);
    }
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(platform::ToUtf8(caption) + ": " + platform::ToUtf8(text));
    }
    size_t StepCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return steps.size();
    }
    std::mutex mutex;
    std::vector<std::string> steps;
    std::vector<int> errors;
    std::vector<std::string> messages;
};

platform::WString ChildTool() {
#ifdef _WIN32
    return platform::JoinPath(platform::ProgramFolder(), u"qo_test_child.exe");
#else
    return platform::JoinPath(platform::ProgramFolder(), u"qo_test_child");
#endif
}

TEST(BuildWorker, ReportsStepsWithPausesAndHandsOverTheOutcome) {
    for (const bool succeeds : {true, false}) {
        FakeReporter reporter;
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
    FakeReporter reporter;
    BuildWorker worker(reporter, 50ms);
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
    while (reporter.StepCount() < 2)
        std::this_thread::sleep_for(5ms);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(worker.Cancel());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);  // the pause is cut short
    worker.Join();
    EXPECT_FALSE(doneCalled);
    EXPECT_EQ(stepsAfterStop, 0);
}

TEST(BuildWorker, CancelKillsTheRunningToolAndAWorkerAfterACancelBuildsNothing) {
    FakeReporter reporter;
    BuildWorker worker(reporter, 1ms);
    std::promise<void> toolRunning;
    std::atomic<bool> toolEndedNormally{true};
    platform::Process tool;
    const platform::WString command = u"\"" + ChildTool() + u"\" sleep 60000";
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
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(worker.Cancel());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 4s);
    worker.Join();
    EXPECT_FALSE(toolEndedNormally);
    EXPECT_EQ(tool.Wait(0), platform::WaitResult::Exited);

    // Cancelled before the worker ran: the builder is never called.
    FakeReporter reporter2;
    BuildWorker late(reporter2, 1ms);
    EXPECT_TRUE(late.Cancel(0ms));
    std::atomic<bool> built{false};
    ASSERT_TRUE(late.Start([&](BuildContext&) { return built = true; }, nullptr));
    late.Join();
    EXPECT_FALSE(built);
}

TEST(BuildWorker, AWorkerStillBusyAfterTheGraceTimeIsDetached) {
    FakeReporter reporter;
    BuildWorker worker(reporter, 1ms);
    std::promise<void> started;
    std::atomic<bool> doneCalled{false};
    ASSERT_TRUE(worker.Start(
        [&](BuildContext& build) {
            started.set_value();
            std::this_thread::sleep_for(300ms);  // a step that does not look at the stop flag
            build.ShowBuildError(150);
            EXPECT_FALSE(build.ReportStep(u"late", 99));
            return true;
        },
        [&](int) { doneCalled = true; }));
    started.get_future().wait();
    EXPECT_FALSE(worker.Cancel(50ms));
    worker.Join();
    EXPECT_TRUE(reporter.errors.empty());
    EXPECT_TRUE(reporter.steps.empty());
    EXPECT_FALSE(doneCalled);
}

}  // namespace
}  // namespace wizard
