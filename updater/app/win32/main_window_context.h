// What the main window and its pages share: the program-wide state, the
// services the window runs the flow with, the interface thread's own flow
// services (for the version list's fetches) and the version list's source.
// Interface thread, except MakeFlowRun, which the Update Now worker calls too.
#pragma once

#include <windows.h>

#include <memory>

#include "updater/app/version_list.h"
#include "updater/app/win32/main_window.h"

namespace updater {

// One run of the update flow: a front end owned by a window and the services
// over it.
struct FlowRun {
    FlowRun(MainWindowServices& window, std::unique_ptr<UpdateFrontEnd> end);
    std::unique_ptr<UpdateFrontEnd> frontEnd;
    UpdateServices services;
};

struct MainWindowContext {
    MainWindowContext(HINSTANCE module, UpdaterState& updater, MainWindowServices& window)
        : instance(module), state(updater), services(window) {}

    // The flow's services with owner (the main window) as the owner of the
    // windows and messages of the flow.
    std::unique_ptr<FlowRun> MakeFlowRun(HWND owner) const;
    // String id of the program's table (translated); empty when missing.
    platform::WString Text(unsigned id) const;
    // Fills the Versions page's list (FillVersionList) and tells whether no
    // component row was added. False, and nothing done, when the list does
    // not exist yet or a fill is running already: a failed fetch shows its
    // message in a modal loop, whose messages must not start another fill.
    bool FillList(bool fetchFirst, bool& noComponents);

    HINSTANCE instance;
    UpdaterState& state;
    MainWindowServices& services;
    // The interface thread's flow, made when the frame has its window.
    std::unique_ptr<FlowRun> interfaceFlow;
    std::unique_ptr<VersionListSource> listSource;
    // The Versions page's list; null until that page exists.
    VersionListView* versionList = nullptr;
    HWND frame = nullptr;
    bool filling = false;
};

}  // namespace updater
