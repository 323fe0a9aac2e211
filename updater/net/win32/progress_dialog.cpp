#include "updater/net/win32/progress_dialog.h"

#include <windows.h>

#include <commctrl.h>
// windows.h maps LoadString to LoadStringW; here it is the language layer's.
#undef LoadString

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "updater/net/download_progress.h"
#include "updater/net/download_worker.h"
#include "updater/support/lang_file.h"
#include "updater/support/message_owner.h"

namespace updater {
namespace {

constexpr UINT kWorkerDone = WM_USER + 1;
constexpr int kTextCapacity = 256;

platform::WString WindowText(HWND window) {
    wchar_t text[kTextCapacity] = {};
    const int length = GetWindowTextW(window, text, kTextCapacity);
    return platform::WString(reinterpret_cast<const char16_t*>(text),
                             static_cast<size_t>(length > 0 ? length : 0));
}

void SetText(HWND window, platform::WStringView text) {
    const platform::WString copy(text);
    SetWindowTextW(window, reinterpret_cast<const wchar_t*>(copy.c_str()));
}

// A string resource, translated when a language is loaded; fallback when the
// program has none.
platform::WString LoadText(const StringResources& strings, unsigned id, const char16_t* fallback) {
    platform::WString text;
    if (!strings.Load(id, text))
        return fallback;
    const cLangFile* lang = cLangFile::Registered();
    if (lang == nullptr)
        return text;
    char16_t out[kTextCapacity];
    const int length = lang->LoadString(&strings, id, out, kTextCapacity);
    return platform::WString(out, static_cast<size_t>(length));
}

class DialogView : public ProgressView {
  public:
    void Attach(HWND dialog, HWND top) {
        dialog_ = dialog;
        top_ = top;
    }
    void Show(bool visible) override {
        mayShow_.store(visible);
        ShowWindow(dialog_, visible ? SW_SHOW : SW_HIDE);
    }
    // The modal loop shows a dialog when it first goes idle; this one stays
    // hidden until the progress shows it.
    bool MayShow() const { return mayShow_.load(); }
    bool IsMinimised() const override { return IsIconic(dialog_) != FALSE; }
    void SetCaption(platform::WStringView text) override { SetText(dialog_, text); }
    void SetTopTitle(platform::WStringView text) override { SetText(top_, text); }
    void SetBar(int percent) override {
        SendDlgItemMessageW(dialog_, kProgressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    }
    void SetLine(int control, platform::WStringView text) override {
        SetText(GetDlgItem(dialog_, control), text);
    }

  private:
    HWND dialog_ = nullptr;
    HWND top_ = nullptr;
    std::atomic<bool> mayShow_{false};
};

// cProgressDlg: the dialog's state for one download.
struct cProgressDlg {
    const DownloadSite& site;
    std::string fileName;
    platform::WString destination;
    const StringResources& strings;
    FetchOptions options;
    DialogView view;
    std::optional<DownloadProgress> progress;
    DownloadWorker worker;
    bool running = false;

    void Start(HWND dialog);
    void Stop(HWND dialog);
};

void cProgressDlg::Start(HWND dialog) {
    ShowWindow(dialog, SW_HIDE);
    if (const cLangFile* lang = cLangFile::Registered())
        lang->TranslateDialog(dialog, false);
    ProgressTexts texts;
    texts.fromFormat = WindowText(GetDlgItem(dialog, kFromLine));
    texts.titleFormat = WindowText(dialog);
    texts.timeLeftFormat = LoadText(strings, kTimeLeftString, u"%s ( %s of %s copied )");
    const cLangFile* lang = cLangFile::Registered();
    texts.perSecond = lang != nullptr ? lang->Translate("Sec") : u"Sec";
    // The top window: the dialog's topmost ancestor, or the dialog itself.
    HWND top = dialog;
    texts.topTitle = LoadText(strings, kProgramTitleString, u"KV Automatic Update");
    for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(top)) {
        top = parent;
        texts.topTitle = WindowText(top);
    }
    view.Attach(dialog, top);
    SendDlgItemMessageW(dialog, kProgressBar, PBM_SETRANGE32, 0, 100);
    progress.emplace(site, fileName, destination, view, std::move(texts));
    progress->Begin();
    running = worker.Start(*progress, site, fileName, destination, options, [dialog](int32_t end) {
        PostMessageW(dialog, kWorkerDone, static_cast<WPARAM>(end), 0);
    });
    if (!running) {
        const platform::WString text =
            LoadText(strings, kThreadErrorString, u"Error in creating thread");
        WindowMessageOwner(dialog).Show(text, WindowText(dialog), kMessageErrorIcon);
        EndDialog(dialog, kWorkerNotStarted);
    }
}

void cProgressDlg::Stop(HWND dialog) {
    if (!progress)
        return;
    progress->RequestStop();
    EnableWindow(GetDlgItem(dialog, kStopButton), FALSE);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<cProgressDlg*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            reinterpret_cast<cProgressDlg*>(lParam)->Start(dialog);
            return TRUE;
        case WM_COMMAND:
            // Stop (also Escape and the close box); Enter does nothing while
            // the worker runs: only its message ends the dialog.
            if (state != nullptr && LOWORD(wParam) == kStopButton)
                state->Stop(dialog);
            return TRUE;
        case WM_WINDOWPOSCHANGING:
            if (state != nullptr && !state->view.MayShow())
                reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            return FALSE;
        case WM_SIZE:
            if (state != nullptr && state->progress &&
                (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED))
                state->progress->RestoreTopTitle();
            return FALSE;
        case kWorkerDone:
            if (state != nullptr)
                state->worker.Join();
            EndDialog(dialog, static_cast<INT_PTR>(static_cast<int32_t>(wParam)));
            return TRUE;
        case WM_DESTROY:
            if (state != nullptr && state->progress)
                state->progress->RestoreTopTitle();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int32_t DownloadWithDialog(void* instance, void* parent, const DownloadSite& site,
                           std::string_view fileName, platform::WStringView destination,
                           const StringResources& strings, const FetchOptions& options) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    cProgressDlg state{
        site, std::string(fileName), platform::WString(destination), strings, options, {}, {}, {},
        false};
    const INT_PTR end =
        DialogBoxParamW(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEW(kProgressDialogId),
                        static_cast<HWND>(parent), DialogProc, reinterpret_cast<LPARAM>(&state));
    // The dialog could not be created: the worker never started.
    if (end == -1 && !state.running)
        return kWorkerNotStarted;
    state.worker.Join();
    return static_cast<int32_t>(end);
}

}  // namespace updater
