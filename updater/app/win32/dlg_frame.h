// cDlgFrame: the main window (dialog 129). A tree on the left selects one of
// three pages, which the frame creates as child dialogs right of the tree and
// below its coloured header. OK and Cancel end it; the pages store every
// change at once, so both keep the settings. Interface thread.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <memory>

#include "updater/app/win32/colored_dlg.h"
#include "updater/app/win32/dlg_base.h"
#include "updater/app/win32/main_window_context.h"

namespace updater {

class cDlgPageMain;

class cDlgFrame : public cColoredDlg {
  public:
    cDlgFrame(MainWindowContext& context, int initialPage);
    ~cDlgFrame() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool Cancelled() const { return cancelled_; }

  protected:
    BOOL OnInit() override;
    void OnCommand(int id, int code) override;

  private:
    void CreatePages();
    void SelectPage(int index);
    void PageChanging(const NMTREEVIEWW& change);
    void SaveAndClose();

    MainWindowContext& context_;
    int initialPage_;
    bool cancelled_ = false;
    bool opened_ = false;  // the pages were made: the window is the user's
    std::array<std::unique_ptr<cDlgPage>, kPageCount> pages_;
    cDlgPageMain* options_ = nullptr;
    std::array<HTREEITEM, kPageCount> items_{};
};

}  // namespace updater
