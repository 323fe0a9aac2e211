#include "updater/app/win32/main_window_context.h"

#include "updater/app/flow_text.h"
#include "updater/app/win32/win32_front_end.h"

namespace updater {

FlowRun::FlowRun(MainWindowServices& window, std::unique_ptr<UpdateFrontEnd> end)
    : frontEnd(std::move(end)),
      services{*frontEnd,
               window.flow.strings,
               window.flow.starter,
               window.flow.signatureCheck,
               window.flow.restarter,
               window.flow.clock,
               window.flow.language} {}

std::unique_ptr<FlowRun> MainWindowContext::MakeFlowRun(HWND owner) const {
    std::unique_ptr<UpdateFrontEnd> end =
        services.frontEnd ? services.frontEnd(owner)
                          : std::make_unique<Win32FrontEnd>(instance, owner, services.flow.strings);
    return std::make_unique<FlowRun>(services, std::move(end));
}

platform::WString MainWindowContext::Text(unsigned id) const {
    return LoadFlowText(services.flow.strings, id);
}

bool MainWindowContext::FillList(bool fetchFirst, bool& noComponents) {
    if (filling || versionList == nullptr || !listSource)
        return false;
    filling = true;
    noComponents = FillVersionList(*listSource, *versionList, fetchFirst);
    filling = false;
    return true;
}

}  // namespace updater
