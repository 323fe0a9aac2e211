// cRestartDlg: the restart question (dialog 139) after an installation that
// needs a restart. The text names the product, the caption is the program's
// title, the warning icon stands on the band, and the dialog is centred on
// the screen. Only "&Restart now" and "&Later" end it: Escape and the close
// box do nothing. Win32RestartQuestion is the RestartQuestion of the update
// flow on Windows.
//
// Runs modally on the calling thread (the flow's thread).
#pragma once

#include "updater/app/win32/colored_dlg.h"
#include "updater/install/restart.h"

namespace updater {

class cRestartDlg : public cColoredDlg {
  public:
    cRestartDlg(platform::WStringView title, platform::WStringView product);

  protected:
    BOOL OnInit() override;
    void OnCommand(int id, int code) override;

  private:
    platform::WString programTitle_;
    platform::WString product_;
};

class Win32RestartQuestion : public RestartQuestion {
  public:
    explicit Win32RestartQuestion(HINSTANCE instance) : instance_(instance) {}
    // kRestartNow or kRestartLater (also when the dialog cannot be created:
    // nothing restarts without the user's word).
    int Ask(void* owner, platform::WStringView title, platform::WStringView product) override;

  private:
    HINSTANCE instance_;
};

}  // namespace updater
