#include "progress_dialog.h"

#include "resource.h"

namespace wizard::win32 {
namespace {

platform::WString LoadText(HINSTANCE instance, int id) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(instance, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? FromW(text, static_cast<size_t>(length)) : platform::WString();
}

}  // namespace

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
    const platform::WString text = LoadText(instance_, stringId);
    const platform::WString caption = LoadText(instance_, IDS_CAPTION);
    MessageBoxW(window_.load(), W(text), W(caption), MB_OK | MB_ICONERROR);
}

void ProgressReporter::ShowMessage(const platform::WString& caption,
                                   const platform::WString& text) {
    MessageBoxW(window_.load(), W(text), W(caption), MB_OK | MB_ICONWARNING);
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

bool CProgressDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
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
        case kShowMessageMessage: {
            const auto* box = reinterpret_cast<const BuildMessage*>(lParam);
            MessageBoxW(window_, W(box->text), W(box->caption), MB_OK | box->icon);
            return true;
        }
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
