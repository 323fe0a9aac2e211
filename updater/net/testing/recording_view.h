// Test support: a ProgressView that records what the progress shows and
// signals each change to a waiting test thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "updater/net/download_progress.h"

namespace updater::testing {

class RecordingView : public ProgressView {
  public:
    void Show(bool visible) override {
        Record([&] { shown.push_back(visible); });
    }
    bool IsMinimised() const override { return minimised; }
    void SetCaption(platform::WStringView text) override {
        Record([&] { captions.emplace_back(text); });
    }
    void SetTopTitle(platform::WStringView text) override {
        Record([&] { topTitle = text; });
    }
    void SetBar(int percent) override {
        Record([&] { bar = percent; });
    }
    void SetLine(int control, platform::WStringView text) override {
        Record([&] {
            lines[control] = text;
            ++lineUpdates[control];
        });
    }
    // Waits (up to a generous deadline) until the line has been set.
    bool WaitForLine(int control) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60),
                                 [&] { return lineUpdates.count(control) > 0; });
    }
    bool Visible() const { return !shown.empty() && shown.back(); }

    bool minimised = false;
    std::vector<bool> shown;
    std::vector<platform::WString> captions;
    platform::WString topTitle;
    int bar = -1;
    std::map<int, platform::WString> lines;
    std::map<int, int> lineUpdates;

  private:
    template <typename Change>
    void Record(Change change) {
        {
            std::lock_guard lock(mutex_);
            change();
        }
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace updater::testing
