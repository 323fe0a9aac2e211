// cDlgPageMain: the Update Options page (dialog 130). The download site and
// folder, Update Now with its status line, and the periodic check's options;
// every change is stored in the settings at once. Update Now runs
// UpdateCheck on its worker thread with the button disabled until the worker
// reports back (WM_USER+2 with 170 and 187). Interface thread.
#pragma once

#include "updater/app/win32/dlg_base.h"
#include "updater/app/win32/main_window_context.h"
#include "updater/app/win32/update_now_worker.h"

namespace updater {

class cDlgPageMain : public cDlgPage {
  public:
    explicit cDlgPageMain(MainWindowContext& context);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Waits for a running Update Now (its dialogs still get their messages).
    void FinishUpdateNow() { worker_.Finish(); }

  protected:
    BOOL OnInit() override;

  private:
    void Load();
    void Store();
    void UpdateEnabling();
    void SiteChanged();
    void BrowseFolder();
    void StartUpdateNow();
    void BuildStatusLine();

    MainWindowContext& context_;
    platform::WString statusPattern_;
    UpdateNowWorker worker_;
};

}  // namespace updater
