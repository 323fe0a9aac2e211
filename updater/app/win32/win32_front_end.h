// Win32FrontEnd: the update flow's front end on Windows. The download runs
// under the progress dialog (134), messages are message boxes, the download
// question is dialog 140 or 141 with the system's question icon and the
// restart question is dialog 139, all owned by the owner window (the main
// window, or the desktop window in the scheduled run).
//
// Used on the thread that runs the flow; the dialogs run on that thread.
#pragma once

#include <windows.h>

#include "updater/app/update_front_end.h"
#include "updater/app/win32/restart_dlg.h"
#include "updater/support/message_owner.h"
#include "updater/support/string_resources.h"

namespace updater {

class Win32FrontEnd : public UpdateFrontEnd {
  public:
    // instance: the module with the dialog templates; strings: the program's
    // string resources (for the progress dialog's texts).
    Win32FrontEnd(HINSTANCE instance, HWND owner, const StringResources& strings);

    int32_t Download(const DownloadSite& site, std::string_view fileName,
                     platform::WStringView destination) override;
    MessageOwner& Messages() override { return messages_; }
    platform::WString OwnerTitle() override;
    int AskDownload(platform::WStringView text, platform::WStringView caption,
                    platform::WStringView releaseNotesUrl) override;
    RestartQuestion& Restart() override { return restart_; }
    void* OwnerWindow() override { return owner_; }

  private:
    HINSTANCE instance_;
    HWND owner_;
    const StringResources& strings_;
    WindowMessageOwner messages_;
    Win32RestartQuestion restart_;
};

}  // namespace updater
