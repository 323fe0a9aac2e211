// The About box (template 154): "Version " and the program's file version.
// Interface thread only.
#pragma once

#include <windows.h>

namespace wizard {

// Runs the About box modally; returns the dialog's end code.
INT_PTR RunAboutDialog(HINSTANCE instance, HWND owner);

}  // namespace wizard
