// How the dialog framework creates its dialogs from their templates: the
// system's Unicode and narrow-text dialog functions. Tests put their own
// creation in place to make the Unicode creation fail.
//
// Interface thread (the thread that creates the dialogs); the override is
// set by a test before any dialog runs.
#pragma once

#include <windows.h>

namespace updater {

class DialogCreation {
  public:
    virtual ~DialogCreation() = default;
    // DialogBoxParamW / DialogBoxParamA: the end value, -1 on failure (the
    // reason in GetLastError).
    virtual INT_PTR BoxW(HINSTANCE instance, unsigned id, HWND owner, DLGPROC proc, LPARAM param);
    virtual INT_PTR BoxA(HINSTANCE instance, unsigned id, HWND owner, DLGPROC proc, LPARAM param);
    // CreateDialogParamW / CreateDialogParamA: the window, null on failure.
    virtual HWND CreateW(HINSTANCE instance, unsigned id, HWND parent, DLGPROC proc, LPARAM param);
    virtual HWND CreateA(HINSTANCE instance, unsigned id, HWND parent, DLGPROC proc, LPARAM param);
};

// The creation in use: the system's unless a test set another.
DialogCreation& ActiveDialogCreation();
// Sets the creation in use (null: the system's again); returns the previous one.
DialogCreation* SetDialogCreation(DialogCreation* creation);

}  // namespace updater
