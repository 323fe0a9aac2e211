#include "updater/app/win32/dlg.h"

#include "platform/win32/wide.h"
#include "updater/app/dialog_placement.h"
#include "updater/app/win32/dialog_creation.h"
#include "updater/support/lang_file.h"
#include "updater/support/win32/lang_message_box.h"

namespace updater {
namespace {

// Whether a top-level dialog has no parent of its own (the desktop as owner
// counts as none).
bool IsParentless(HWND window) {
    if ((GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0)
        return false;
    const HWND owner = GetWindow(window, GW_OWNER);
    return owner == nullptr || owner == GetDesktopWindow();
}

// The dialog whose window this thread is creating. Its window takes it with
// the first message the dialog procedure sees, so that the messages before
// WM_INITDIALOG (the font, the controls' notify-format queries) reach the
// filter and the dialog procedure too.
thread_local cDlg* creating = nullptr;

// Names the dialog being created for one creation call.
class CreationScope {
  public:
    explicit CreationScope(cDlg* dialog) : previous_(creating) { creating = dialog; }
    ~CreationScope() { creating = previous_; }
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

  private:
    cDlg* previous_;
};

// Runs one creation call with dialog named as the one being created; error
// gets the system error the call left (read before the scope ends, since the
// thread-local variable's access may reset it).
template <class Call>
auto CreateNamed(cDlg* dialog, DWORD& error, Call call) {
    const CreationScope scope(dialog);
    SetLastError(0);
    const auto result = call();
    error = GetLastError();
    return result;
}

}  // namespace

platform::WString SystemErrorText(DWORD error) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r'))
        --length;
    if (length == 0)
        return u"Error " + platform::FromUtf8(std::to_string(error));
    return platform::FromWide(text, length);
}

cDlg::~cDlg() {
    if (window_ != nullptr && !modal_)
        DestroyWindow(window_);
}

void cDlg::Destroy(bool free) {
    if (window_ != nullptr) {
        if (modal_)
            EndDialog(window_, IDCANCEL);
        else
            DestroyWindow(window_);
    }
    if (free) {
        title_.clear();
        callback_ = nullptr;
    }
}

platform::WString cDlg::HelpFilePath() const {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    platform::WString help = platform::FromWide(path, length);
    const size_t dot = help.find_last_of(u'.');
    const size_t separator = help.find_last_of(u"\\/");
    if (dot != platform::WString::npos && (separator == platform::WString::npos || dot > separator))
        help.resize(dot);
    help += u".chm";
    if (GetFileAttributesW(platform::Wide(help)) == INVALID_FILE_ATTRIBUTES)
        return {};
    return help;
}

INT_PTR cDlg::MessageFilter(UINT, WPARAM, LPARAM) {
    return 0;
}

INT_PTR cDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Initialise();
            return OnInit();
        case WM_GETMINMAXINFO:
            if (minimumSize_.cx > 0) {
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize = POINT{minimumSize_.cx, minimumSize_.cy};
                return TRUE;
            }
            break;
        case WM_NOTIFYFORMAT:
            return Answer(NFR_UNICODE);
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_SIZE:
            if (initialised_)
                OnSize(LOWORD(lParam), HIWORD(lParam));
            break;
        default:
            break;
    }
    if (callback_ && callback_(*this, message, wParam, lParam))
        return TRUE;
    return FALSE;
}

void cDlg::Initialise() {
    RECT frame{};
    GetWindowRect(window_, &frame);
    if (IsParentless(window_)) {
        const Point place =
            CentredOnScreen(frame.right - frame.left, frame.bottom - frame.top,
                            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        SetWindowPos(window_, nullptr, place.x, place.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (const cLangFile* lang = cLangFile::Registered())
        lang->TranslateDialog(window_, true);
    minimumSize_ = SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void cDlg::OnCommand(int id, int) {
    if (modal_ && (id == IDOK || id == IDCANCEL))
        End(id);
}

void cDlg::End(INT_PTR value) {
    if (window_ == nullptr)
        return;
    if (modal_)
        EndDialog(window_, value);
    else
        DestroyWindow(window_);
}

BOOL cDlg::Answer(LRESULT result) {
    SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK cDlg::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<cDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        self = message == WM_INITDIALOG ? reinterpret_cast<cDlg*>(lParam) : creating;
        if (self == nullptr)
            return FALSE;
        creating = nullptr;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    if (message == WM_INITDIALOG)
        self->initialised_ = true;
    if (const INT_PTR filtered = self->MessageFilter(message, wParam, lParam))
        return filtered;
    const INT_PTR result = self->DialogProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

INT_PTR cDlg::RunModal(HINSTANCE instance, HWND owner) {
    modal_ = true;
    initialised_ = false;
    DialogCreation& creation = ActiveDialogCreation();
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    DWORD error = 0;
    INT_PTR end = CreateNamed(
        this, error, [&] { return creation.BoxW(instance, dialogId_, owner, StaticProc, self); });
    // A dialog that ran and ended itself with -1 is no failure to create it.
    if (end != -1 || initialised_)
        return end;
    // The narrow-text creation is tried also when the Unicode one failed
    // without a system error.
    DWORD narrowError = 0;
    end = CreateNamed(this, narrowError,
                      [&] { return creation.BoxA(instance, dialogId_, owner, StaticProc, self); });
    if (end != -1 || initialised_)
        return end;
    if (narrowError != 0)
        error = narrowError;
    window_ = nullptr;
    LangMessageBox(owner, SystemErrorText(error), platform::FromWide(kDialogCreationErrorCaption),
                   MB_OK | MB_ICONERROR);
    return -1;
}

HWND cDlg::CreateModeless(HINSTANCE instance, HWND parent) {
    modal_ = false;
    initialised_ = false;
    DialogCreation& creation = ActiveDialogCreation();
    const LPARAM self = reinterpret_cast<LPARAM>(this);
    DWORD error = 0;
    HWND window = CreateNamed(this, error, [&] {
        return creation.CreateW(instance, dialogId_, parent, StaticProc, self);
    });
    if (window == nullptr) {
        window_ = nullptr;
        DWORD narrowError = 0;
        window = CreateNamed(this, narrowError, [&] {
            return creation.CreateA(instance, dialogId_, parent, StaticProc, self);
        });
        if (window == nullptr && narrowError != 0)
            error = narrowError;
    }
    if (window == nullptr)
        LangMessageBox(parent, SystemErrorText(error),
                       platform::FromWide(kDialogCreationErrorCaption), MB_OK | MB_ICONERROR);
    return window;
}

}  // namespace updater
