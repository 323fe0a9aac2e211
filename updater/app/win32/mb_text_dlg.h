// cMBTextDlg: the update program's question dialog, a message box on the
// coloured dialog framework: dialog 140 ("&Yes", "&No", "&View details") or
// 141 ("&Yes", "&No" and the link "What's new in this version" to the
// release notes). It opens near the mouse cursor, inside the primary screen,
// as a topmost window. The buttons end it with their identifiers; Escape and
// the close box with 2.
//
// Runs modally on the calling thread.
#pragma once

#include <functional>

#include "updater/app/win32/colored_dlg.h"

namespace updater {

class cMBTextDlg : public cColoredDlg {
  public:
    // Opens a link address; true when it was opened.
    using LinkOpener = std::function<bool(HWND owner, platform::WStringView address)>;

    // icon: a system icon (IDI_QUESTION, ...); link: the address the link
    // control opens (dialog 141), empty for none.
    cMBTextDlg(platform::WStringView text, platform::WStringView caption, LPCWSTR icon,
               unsigned dialogId, platform::WStringView link = {});

    // The link opener (the shell's "open" verb unless replaced).
    void SetLinkOpener(LinkOpener opener) { opener_ = std::move(opener); }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  protected:
    BOOL OnInit() override;
    void OnCommand(int id, int code) override;

  private:
    void OpenLink();

    platform::WString text_;
    platform::WString link_;
    LinkOpener opener_;
};

// Opens address with the shell's "open" verb, shown normally.
bool OpenWithShell(HWND owner, platform::WStringView address);

// Shows the question: the pressed button's identifier (2 when closed, -1
// when the dialog could not be created).
int AskQuestion(HINSTANCE instance, HWND owner, platform::WStringView text,
                platform::WStringView caption, LPCWSTR icon, unsigned dialogId,
                platform::WStringView link = {});

}  // namespace updater
