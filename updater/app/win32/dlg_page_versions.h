// cDlgPageVersions: the Versions Information page (dialog 131). A report list
// of the component files with their versions, filtered by "Show all files"
// and "Show all OS"; the list's column widths and view mode are kept in the
// "WndPos" record. Win32VersionListView shows the rows in the list control.
// Interface thread.
#pragma once

#include "updater/app/version_list.h"
#include "updater/app/win32/dlg_base.h"
#include "updater/app/win32/main_window_context.h"
#include "updater/config/window_state_record.h"

namespace updater {

// The list's columns: file name, current version, new version, location, OS.
constexpr int kVersionColumns = 5;

class Win32VersionListView : public VersionListView {
  public:
    void Attach(HWND list) { list_ = list; }
    void Clear() override;
    void Add(const VersionRow& row) override;

  private:
    HWND list_ = nullptr;
};

class cDlgPageVersions : public cDlgPage {
  public:
    explicit cDlgPageVersions(MainWindowContext& context);

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  protected:
    BOOL OnInit() override;

  private:
    bool InsertColumns(HWND list);
    void Fill();
    void Save();

    MainWindowContext& context_;
    Win32VersionListView view_;
    WindowStateRecord record_;
};

}  // namespace updater
