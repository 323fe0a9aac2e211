// The dialog framework of the update program. cDlg is the base of every
// window: a dialog built from a resource template, whose messages go first
// to the object's message filter and then, unless the filter handled them,
// to its dialog procedure. The base procedure centres a dialog without a
// parent, translates its texts through the language layer, keeps its initial
// size as the minimum tracking size and answers the notify-format query with
// Unicode.
//
// A dialog object lives for one run of its dialog and is used on the thread
// that runs it.
#pragma once

#include <windows.h>

#include <functional>

#include "platform/text.h"

namespace updater {

// The caption of the message shown when a dialog cannot be created.
constexpr wchar_t kDialogCreationErrorCaption[] = L"Errror in creating dialog!";

class cDlg {
  public:
    // Sees the messages the object's own procedure left unhandled; returns
    // whether it handled the message.
    using MessageCallback = std::function<bool(cDlg&, UINT, WPARAM, LPARAM)>;

    explicit cDlg(unsigned dialogId) : dialogId_(dialogId) {}
    virtual ~cDlg();
    cDlg(const cDlg&) = delete;
    cDlg& operator=(const cDlg&) = delete;

    // Destroys the window when it is still there; freeing also drops the
    // owned title and the callback.
    virtual void Destroy(bool free);
    // The program's own path with the extension "chm"; empty when that file
    // does not exist.
    virtual platform::WString HelpFilePath() const;
    // Does nothing; derived dialogs may use it.
    virtual void Hook() {}
    // Handles a message after the filter; returns what a dialog procedure
    // returns.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Sees every message first; a non-zero result ends its handling there.
    virtual INT_PTR MessageFilter(UINT message, WPARAM wParam, LPARAM lParam);

    // Runs the dialog modally, owned by owner (may be null): its end value,
    // or -1 when it cannot be created (after the error message).
    INT_PTR RunModal(HINSTANCE instance, HWND owner);

    HWND Window() const { return window_; }
    unsigned DialogId() const { return dialogId_; }
    const platform::WString& Title() const { return title_; }
    void SetTitle(platform::WStringView title) { title_ = platform::WString(title); }
    void SetCallback(MessageCallback callback) { callback_ = std::move(callback); }
    // Ends a modal run with value.
    void End(INT_PTR value);

  protected:
    // The initialisation message, after centring and translation; the result
    // of WM_INITDIALOG.
    virtual BOOL OnInit() { return TRUE; }
    // A command from a control or the keyboard (Escape: IDCANCEL).
    virtual void OnCommand(int id, int code);
    virtual void OnSize(int /*width*/, int /*height*/) {}
    // Answers a dialog procedure's message with a result value.
    BOOL Answer(LRESULT result);

    // The dialog procedure every dialog of the framework runs with; param is
    // the cDlg.
    static INT_PTR CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Creates a modeless dialog through the framework's creation path.
    HWND CreateModeless(HINSTANCE instance, HWND parent);

  private:
    void Initialise();

    HWND window_ = nullptr;
    unsigned dialogId_;
    platform::WString title_;
    MessageCallback callback_;
    SIZE minimumSize_{0, 0};
    bool modal_ = false;
    bool initialised_ = false;  // the running dialog got its initialisation message
};

// The system's text for an error number (without the final line break).
platform::WString SystemErrorText(DWORD error);

}  // namespace updater
