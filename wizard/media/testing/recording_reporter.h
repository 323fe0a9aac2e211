// Test helper: a BuildReporter that records every step, error, message and
// question of a build, for the tests of the builders and of the worker. Called on the build
// worker thread; read by the test thread (under the lock, or after the worker
// has been joined).
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "wizard/media/build_reporter.h"

namespace wizard::testing {

class RecordingReporter : public BuildReporter {
  public:
    void ShowStep(const platform::WString& text, int position) override {
        const std::string step = platform::ToUtf8(text) + "@" + std::to_string(position);
        {
            std::lock_guard<std::mutex> lock(mutex);
            steps.push_back(step);
            changed_.notify_all();
        }
        if (onEvent)
            onEvent(step);
    }
    void ShowError(int stringId) override {
        std::lock_guard<std::mutex> lock(mutex);
        errors.push_back(stringId);
    }
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override {
        std::lock_guard<std::mutex> lock(mutex);
        messages.push_back(platform::ToUtf8(caption) + ": " + platform::ToUtf8(text));
    }
    bool AskYesNo(const platform::WString&, const platform::WString& text) override {
        {
            std::lock_guard<std::mutex> lock(mutex);
            questions.push_back(platform::ToUtf8(text));
        }
        if (onEvent)
            onEvent("answer");
        return answer;
    }

    // Whether a step ("text@position") has been shown.
    bool Saw(const std::string& step) {
        std::lock_guard<std::mutex> lock(mutex);
        return std::find(steps.begin(), steps.end(), step) != steps.end();
    }
    // Waits until count steps have been shown; false when limit passed first.
    bool WaitForSteps(size_t count, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed_.wait_for(lock, limit, [&] { return steps.size() >= count; });
    }

    std::mutex mutex;
    std::vector<std::string> steps;
    std::vector<int> errors;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answer = false;  // as a reporter that cannot ask
    // Called on the worker thread with every step shown ("text@position")
    // and with "answer" when a question is answered.
    std::function<void(const std::string&)> onEvent;

  private:
    std::condition_variable changed_;
};

}  // namespace wizard::testing
