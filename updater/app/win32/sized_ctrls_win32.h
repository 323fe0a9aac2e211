// The Win32 side of control anchoring: registers a dialog's controls with
// their rectangles in client coordinates and moves them when the dialog's
// client area changes size. Thread of the dialog.
#pragma once

#include <windows.h>

#include "updater/app/sized_controls.h"

namespace updater {

// Registers control id of dialog with mode; false when there is no such
// control or the mode is unknown.
bool RegisterAnchor(cSizedCtrls& list, HWND dialog, int id, int mode);
// Places every registered control for the dialog's current client size.
void ArrangeAnchors(const cSizedCtrls& list, HWND dialog);

}  // namespace updater
