#include "updater/app/win32/progress_dialog.h"

#include <windows.h>

#include <commctrl.h>
// windows.h maps LoadString to LoadStringW; here it is the language layer's.
#undef LoadString

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "updater/app/win32/dlg.h"
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

// cProgressDlg: dialog 134 and its state for one download. The framework
// centres a parentless dialog and translates its texts before OnInit reads
// the formats from them.
class cProgressDlg : public cDlg {
  public:
    cProgressDlg(const DownloadSite& site, std::string_view fileName,
                 platform::WStringView destination, const StringResources& strings,
                 const FetchOptions& options)
        : cDlg(kProgressDialogId),
          site_(site),
          fileName_(fileName),
          destination_(destination),
          strings_(strings),
          options_(options) {}

    // Runs the dialog: its end value, or 2 when it could not be created.
    int32_t Run(HINSTANCE instance, HWND parent);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  protected:
    BOOL OnInit() override;
    // Stop (also Escape and the close box); Enter does nothing while the
    // worker runs: only its message ends the dialog.
    void OnCommand(int id, int code) override;

  private:
    const DownloadSite& site_;
    std::string fileName_;
    platform::WString destination_;
    const StringResources& strings_;
    FetchOptions options_;
    DialogView view_;
    std::optional<DownloadProgress> progress_;
    DownloadWorker worker_;
    bool running_ = false;
};

BOOL cProgressDlg::OnInit() {
    const HWND dialog = Window();
    ShowWindow(dialog, SW_HIDE);
    ProgressTexts texts;
    texts.fromFormat = WindowText(GetDlgItem(dialog, kFromLine));
    texts.titleFormat = WindowText(dialog);
    texts.timeLeftFormat = LoadText(strings_, kTimeLeftString, u"%s ( %s of %s copied )");
    const cLangFile* lang = cLangFile::Registered();
    texts.perSecond = lang != nullptr ? lang->Translate("Sec") : u"Sec";
    // The top window: the dialog's topmost ancestor, or the dialog itself.
    HWND top = dialog;
    texts.topTitle = LoadText(strings_, kProgramTitleString, u"KV Automatic Update");
    for (HWND parent = GetParent(top); parent != nullptr; parent = GetParent(top)) {
        top = parent;
        texts.topTitle = WindowText(top);
    }
    view_.Attach(dialog, top);
    SendDlgItemMessageW(dialog, kProgressBar, PBM_SETRANGE32, 0, 100);
    progress_.emplace(site_, fileName_, destination_, view_, std::move(texts));
    progress_->Begin();
    running_ = worker_.Start(
        *progress_, site_, fileName_, destination_, options_,
        [dialog](int32_t end) { PostMessageW(dialog, kWorkerDone, static_cast<WPARAM>(end), 0); });
    if (!running_) {
        const platform::WString text =
            LoadText(strings_, kThreadErrorString, u"Error in creating thread");
        WindowMessageOwner(dialog).Show(text, WindowText(dialog), kMessageErrorIcon);
        End(kWorkerNotStarted);
    }
    return TRUE;
}

void cProgressDlg::OnCommand(int id, int) {
    if (id != kStopButton || !progress_)
        return;
    progress_->RequestStop();
    EnableWindow(GetDlgItem(Window(), kStopButton), FALSE);
}

INT_PTR cProgressDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_WINDOWPOSCHANGING:
            if (!view_.MayShow())
                reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
            return FALSE;
        case WM_SIZE:
            if (progress_ && (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED))
                progress_->RestoreTopTitle();
            break;
        case kWorkerDone:
            worker_.Join();
            End(static_cast<INT_PTR>(static_cast<int32_t>(wParam)));
            return TRUE;
        case WM_DESTROY:
            if (progress_)
                progress_->RestoreTopTitle();
            break;
        default:
            break;
    }
    return cDlg::DialogProc(message, wParam, lParam);
}

int32_t cProgressDlg::Run(HINSTANCE instance, HWND parent) {
    const INT_PTR end = RunModal(instance, parent);
    // The dialog could not be created: the worker never started.
    if (end == -1 && !running_)
        return kWorkerNotStarted;
    worker_.Join();
    return static_cast<int32_t>(end);
}

}  // namespace

int32_t DownloadWithDialog(void* instance, void* parent, const DownloadSite& site,
                           std::string_view fileName, platform::WStringView destination,
                           const StringResources& strings, const FetchOptions& options) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    cProgressDlg dialog(site, fileName, destination, strings, options);
    return dialog.Run(static_cast<HINSTANCE>(instance), static_cast<HWND>(parent));
}

}  // namespace updater
