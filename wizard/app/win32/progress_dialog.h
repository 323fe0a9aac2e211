// CProgressDlg: the progress page as a dialog. The build worker reports
// through a sink that hands everything to the interface thread: steps by
// posted messages (the worker never waits for the page to draw them), message
// boxes by sent messages (the worker waits until the user has closed them).
// The worker never touches a window itself.
// Interface thread, except the sink, which the worker calls.
#pragma once

#include <atomic>
#include <mutex>

#include "wizard/app/pages/progress_page.h"
#include "wizard_page.h"

namespace wizard::win32 {

// Messages the page posts to itself.
constexpr UINT kStartBuildMessage = 0x411;
constexpr UINT kBuildDoneMessage = 0x412;
constexpr UINT kStepMessage = WM_APP + 1;
constexpr UINT kShowMessageMessage = WM_APP + 2;  // lParam: a BuildMessage

// A message box a builder asks for.
struct BuildMessage {
    platform::WString caption;
    platform::WString text;
    UINT icon;
};

class ProgressReporter : public pages::ProgressSink {
  public:
    explicit ProgressReporter(HINSTANCE instance) : instance_(instance) {}
    // The page's window while it runs; null afterwards (reports are dropped).
    void Attach(HWND window) { window_ = window; }
    void ShowStep(const platform::WString& text, int position) override;
    void ShowError(int stringId) override;
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override;
    void PostBuildDone(int buildResult) override;
    // The latest step, for the interface thread.
    bool TakeStep(platform::WString& text, int& position);

  private:
    // Has the page show the box and waits until it is closed; nothing without a page.
    void Show(BuildMessage message);

    HINSTANCE instance_;
    std::atomic<HWND> window_{nullptr};
    std::mutex mutex_;
    platform::WString text_;
    int position_ = 0;
    bool pending_ = false;
};

class CProgressDlg : public WizardPage {
  public:
    CProgressDlg(HINSTANCE instance, WizardSettings& settings, pages::MediaBuilders& builders,
                 std::chrono::milliseconds stepPause = std::chrono::milliseconds(600));
    ~CProgressDlg() override;

  protected:
    void OnInitialized() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

  private:
    ProgressReporter reporter_;  // outlives the worker, which the logic owns
    pages::ProgressPage logic_;
};

}  // namespace wizard::win32
