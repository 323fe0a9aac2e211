// The wait popup on a terminal: one line, "Checking availability of a network
// resource. Please wait.", printed when a share check takes longer than the
// popup's delay. Printed from the popup thread; the check prints its messages
// only after the popup has stopped, so the lines never mix.
#pragma once

#include <cstdio>

#include "wizard/netshare/thread_popup_system.h"

namespace wizard::netshare {

inline constexpr char kWaitLine[] = "Checking availability of a network resource. Please wait.";

class TerminalPopupSystem : public ThreadPopupSystem {
  public:
    explicit TerminalPopupSystem(std::FILE* out) : out_(out) {}
    std::unique_ptr<PopupWindow> ShowPopup() override;

  private:
    std::FILE* out_;
};

}  // namespace wizard::netshare
