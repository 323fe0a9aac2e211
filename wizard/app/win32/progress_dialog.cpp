#include "progress_dialog.h"

#include "resource.h"

namespace wizard::win32 {
namespace {

platform::WString LoadText(HINSTANCE instance, int id) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(instance, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? platform::FromWide(text, static_cast<size_t>(length)) : platform::WString();
}

// Closes the message boxes that the page owns.
BOOL CALLBACK CloseOwnedBox(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner)) {
        PostMessageW(window, WM_COMMAND, IDOK, 0);  // an OK box
        PostMessageW(window, WM_COMMAND, IDNO, 0);  // a Yes/No box: No
    }
    return TRUE;
}

}  // namespace

void ProgressReporter::Attach(HWND window) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        window_ = window;
        released_ = window == nullptr;
    }
    answered_.notify_all();
}

void ProgressReporter::ShowStep(const platform::WString& text, int position) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ = text;
        position_ = position;
        pending_ = true;
    }
    if (HWND window = window_.load())
        PostMessageW(window, kStepMessage, 0, 0);
}

bool ProgressReporter::TakeStep(platform::WString& text, int& position) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!pending_)
        return false;
    pending_ = false;
    text = text_;
    position = position_;
    return true;
}

void ProgressReporter::ShowError(int stringId) {
    Show({LoadText(instance_, IDS_CAPTION), LoadText(instance_, stringId), MB_ICONERROR});
}

void ProgressReporter::ShowMessage(const platform::WString& caption,
                                   const platform::WString& text) {
    Show({caption, text, MB_ICONWARNING});
}

bool ProgressReporter::AskYesNo(const platform::WString& caption, const platform::WString& text) {
    return Show({caption, text, 0, MB_YESNO}) == IDYES;
}

int ProgressReporter::Show(BuildMessage message) {
    Waiting waiting{std::move(message)};
    std::unique_lock<std::mutex> lock(mutex_);
    HWND window = window_.load();
    if (!window || released_ || waiting_)
        return 0;
    waiting_ = &waiting;
    if (PostMessageW(window, kShowMessageMessage, 0, 0))
        answered_.wait(lock, [&] { return waiting.answered || released_; });
    waiting_ = nullptr;
    return waiting.answered && !released_ ? waiting.answer : 0;
}

void ProgressReporter::ShowWaitingMessage() {
    BuildMessage message;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!waiting_ || waiting_->shown)
            return;
        waiting_->shown = true;
        message = waiting_->message;
        boxThread_ = GetCurrentThreadId();
    }
    const int answer = MessageBoxW(window_.load(), platform::Wide(message.text),
                                   platform::Wide(message.caption), message.buttons | message.icon);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        boxThread_ = 0;
        if (waiting_) {
            waiting_->answer = answer;
            waiting_->answered = true;
        }
    }
    answered_.notify_all();
}

void ProgressReporter::ReleaseWaiting() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
    }
    answered_.notify_all();
}

void ProgressReporter::Abandon() {
    ReleaseWaiting();
    // Close a box the page still shows: it is a dialog of the interface thread
    // owned by the page.
    DWORD boxThread = 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        boxThread = boxThread_;
    }
    if (HWND page = window_.load(); page && boxThread != 0)
        EnumThreadWindows(boxThread, CloseOwnedBox, reinterpret_cast<LPARAM>(page));
}

void ProgressReporter::PostBuildDone(int buildResult) {
    if (HWND window = window_.load())
        PostMessageW(window, kBuildDoneMessage, static_cast<WPARAM>(buildResult), 0);
}

CProgressDlg::CProgressDlg(HINSTANCE instance, WizardSettings& settings,
                           pages::MediaBuilders& builders, std::chrono::milliseconds stepPause)
    : WizardPage(instance, logic_), reporter_(instance), logic_(settings, builders, stepPause) {}

CProgressDlg::~CProgressDlg() {
    reporter_.Attach(nullptr);
}

void CProgressDlg::OnInitialized() {
    reporter_.Attach(window_);
    // The worker starts once the page is on the screen.
    PostMessageW(window_, kStartBuildMessage, 0, 0);
}

bool CProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    result = TRUE;
    switch (message) {
        case kStartBuildMessage:
            logic_.StartBuild(reporter_);
            return true;
        case kStepMessage: {
            platform::WString text;
            int position = 0;
            if (reporter_.TakeStep(text, position)) {
                view_->SetText(IDC_PROGRESS_STEP, text);
                view_->SetProgress(IDC_PROGRESS_BAR, position);
            }
            return true;
        }
        case kShowMessageMessage:
            reporter_.ShowWaitingMessage();
            return true;
        case kBuildDoneMessage:
            reporter_.Attach(nullptr);
            logic_.BuildDone(*view_, static_cast<int>(wParam));
            return true;
        case WM_DESTROY:
            reporter_.Attach(nullptr);
            result = FALSE;
            return false;
        default:
            return false;
    }
}

}  // namespace wizard::win32
