#include "updater/app/win32/main_window.h"

#include "updater/app/win32/dlg_frame.h"
#include "updater/app/win32/main_window_context.h"

namespace updater {

int RunMainWindow(HINSTANCE instance, UpdaterState& state, MainWindowServices& services,
                  int initialPage) {
    MainWindowContext context(instance, state, services);
    cDlgFrame frame(context, initialPage);
    return static_cast<int>(frame.RunModal(instance, nullptr));
}

}  // namespace updater
