// cDlgPageAbout: the About page (dialog 133): the program's title and file
// version, and its copyright line, from the program's own version resource.
// Interface thread.
#pragma once

#include "updater/app/win32/dlg_base.h"
#include "updater/app/win32/main_window_context.h"

namespace updater {

class cDlgPageAbout : public cDlgPage {
  public:
    explicit cDlgPageAbout(MainWindowContext& context);

  protected:
    BOOL OnInit() override;

  private:
    MainWindowContext& context_;
};

}  // namespace updater
