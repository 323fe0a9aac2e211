#include "wizard/netshare/linux/terminal_popup.h"

namespace wizard::netshare {

std::unique_ptr<PopupWindow> TerminalPopupSystem::ShowPopup() {
    std::fprintf(out_, "%s\n", kWaitLine);
    std::fflush(out_);
    return std::make_unique<PopupWindow>();  // a printed line stays; nothing to remove
}

}  // namespace wizard::netshare
