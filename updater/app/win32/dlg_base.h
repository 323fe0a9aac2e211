// cDlgBase: a dialog that dispatches its commands by control identifier to
// the handlers registered for them; a command without a handler goes to
// Command, which ends the dialog with the control's identifier when the
// command is a click. It also keeps an anchor list and a text.
// cDlgPage: a page of the main window, a modeless child dialog of its frame
// that keeps a pointer to the frame; its Command does nothing, so a page
// never ends itself.
//
// Thread of the dialog (the interface thread for the pages).
#pragma once

#include <functional>
#include <map>

#include "updater/app/sized_controls.h"
#include "updater/app/win32/dlg.h"

namespace updater {

class cDlgBase : public cDlg {
  public:
    // code: the notification code of the command (BN_CLICKED for a click).
    using CommandHandler = std::function<void(int code)>;

    explicit cDlgBase(unsigned dialogId) : cDlg(dialogId) {}

    // The handler for commands of control id (replaces an earlier one).
    void OnControl(int id, CommandHandler handler) { handlers_[id] = std::move(handler); }
    // A command no handler took: a click ends the dialog with the id.
    virtual void Command(int id, int code);

    cSizedCtrls& SizedControls() { return sized_; }
    const platform::WString& Text() const { return text_; }
    void SetText(platform::WStringView text) { text_ = platform::WString(text); }

  protected:
    void OnCommand(int id, int code) override;
    void OnSize(int width, int height) override;
    // Registers a control of this dialog for anchoring.
    bool Anchor(int id, int mode);

  private:
    std::map<int, CommandHandler> handlers_;
    cSizedCtrls sized_;
    platform::WString text_;
};

class cDlgPage : public cDlgBase {
  public:
    explicit cDlgPage(unsigned dialogId) : cDlgBase(dialogId) {}

    // Creates the page as a modeless child of frame's window; null when it
    // cannot be created (after the error message).
    HWND Create(HINSTANCE instance, cDlg& frame);
    cDlg* Frame() const { return frame_; }
    void Command(int id, int code) override;

  private:
    cDlg* frame_ = nullptr;
};

}  // namespace updater
