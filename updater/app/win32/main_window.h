// The update program's main window (dialog 129): a tree of three pages,
// Update Options (130), Versions Information (131) and About (133), under a
// coloured header. The window fetches the version description as soon as it
// opens, runs UpdateCheck on its Update Now worker, and keeps its rectangle,
// the settings and the download folder in the main record when it closes.
//
// RunMainWindow runs on the interface thread; the window's Update Now worker
// runs the update flow on its own thread.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "updater/app/update_check.h"
#include "updater/app/update_state.h"
#include "updater/config/update_config.h"
#include "updater/support/message_owner.h"

namespace updater {

// The main window's pages, in tree order.
constexpr int kPageOptions = 0;
constexpr int kPageVersions = 1;
constexpr int kPageAbout = 2;
constexpr int kPageCount = 3;

// Window messages private to the update program.
constexpr UINT kMsgPageShown = WM_USER + 1;      // to a page: it is being shown
constexpr UINT kMsgUpdateNowDone = WM_USER + 2;  // to the options page
constexpr WPARAM kUpdateNowDoneW = 170;          // ... with these parameters
constexpr LPARAM kUpdateNowDoneL = 187;
constexpr UINT kMsgSelectPage = WM_USER + 3;  // to the frame: select page wParam

// End values of the main window besides IDOK and IDCANCEL.
constexpr int kMainWindowNoConfig = 0;     // renovo.cfg could not be read again
constexpr int kMainWindowNotCreated = -1;  // the dialog could not be created

// What the window runs the update flow with.
struct MainWindowServices {
    // The program's flow services; each run of the window's flow takes them
    // with a front end of its own.
    const UpdateServices& flow;
    // The flow's front end for the windows it opens, owned by owner (the main
    // window); one for the interface thread and one for each Update Now run.
    // Empty: Win32FrontEnd over the program's dialogs.
    std::function<std::unique_ptr<UpdateFrontEnd>(HWND owner)> frontEnd;
    // Reads renovo.cfg again when the window opens, with messages to owner.
    // Empty: LoadInstalledUpdateConfig.
    std::function<bool(MessageOwner& owner, UpdateConfig& config)> loadConfig;
};

// Runs the main window modally on initialPage (kPageOptions, or kPageVersions
// when the scheduled check asked for details): IDOK (1), IDCANCEL (2) for
// Cancel or the close box, kMainWindowNoConfig or kMainWindowNotCreated.
// instance holds the dialog templates.
int RunMainWindow(HINSTANCE instance, UpdaterState& state, MainWindowServices& services,
                  int initialPage);

}  // namespace updater
