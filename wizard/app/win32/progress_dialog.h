// CProgressDlg: the progress page as a dialog. The build worker reports
// through a sink that hands everything to the interface thread: steps by
// posted messages (the worker never waits for the page to draw them), message
// boxes by sent messages (the worker waits until the user has closed them).
// The worker never touches a window itself.
// Interface thread, except the sink, which the worker calls.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "wizard/app/pages/progress_page.h"
#include "wizard_page.h"

namespace wizard::win32 {

// The page's private messages, all numbered from WM_USER: start-build (0x411)
// and build-done (0x412) keep their numbers, the page's own follow them.
constexpr UINT kStartBuildMessage = WM_USER + 0x11;   // 0x411, posted once the page shows
constexpr UINT kBuildDoneMessage = WM_USER + 0x12;    // 0x412, wParam: the outcome
constexpr UINT kStepMessage = WM_USER + 0x13;         // a new step is waiting
constexpr UINT kShowMessageMessage = WM_USER + 0x14;  // a builder's message box is waiting
static_assert(kStartBuildMessage == 0x411 && kBuildDoneMessage == 0x412);

// A message box a builder asks for.
struct BuildMessage {
    platform::WString caption;
    platform::WString text;
    UINT icon = 0;
    UINT buttons = MB_OK;
};

class ProgressReporter : public pages::ProgressSink {
  public:
    explicit ProgressReporter(HINSTANCE instance) : instance_(instance) {}
    // The page's window while it runs; null afterwards (reports are dropped).
    // Detaching also releases a worker that waits for a message box.
    void Attach(HWND window);
    void ShowStep(const platform::WString& text, int position) override;
    void ShowError(int stringId) override;
    void ShowMessage(const platform::WString& caption, const platform::WString& text) override;
    // The Yes/No question of a builder (the format confirmation); No when the
    // page is abandoned.
    bool AskYesNo(const platform::WString& caption, const platform::WString& text) override;
    void PostBuildDone(int buildResult) override;
    void Abandon() override;
    // The latest step, for the interface thread.
    bool TakeStep(platform::WString& text, int& position);
    // Shows the message box the worker waits for, owned by the page, and
    // hands the answer back (interface thread, on kShowMessageMessage).
    void ShowWaitingMessage();

  private:
    // A box the worker waits for; it lives on the worker's stack.
    struct Waiting {
        BuildMessage message;
        bool shown = false;
        bool answered = false;
        int answer = 0;
    };
    // Has the page show the box and waits until it is closed or the page is
    // abandoned; nothing without a page. The button pressed, 0 when none was.
    int Show(BuildMessage message);
    // Releases a waiting worker for good (until the next Attach).
    void ReleaseWaiting();

    HINSTANCE instance_;
    std::atomic<HWND> window_{nullptr};
    std::mutex mutex_;
    std::condition_variable answered_;
    platform::WString text_;
    int position_ = 0;
    bool pending_ = false;
    Waiting* waiting_ = nullptr;  // guarded by mutex_
    bool released_ = false;       // guarded by mutex_
    DWORD boxThread_ = 0;         // the thread showing the box, while it is open
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
