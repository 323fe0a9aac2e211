// Property sheets of the updater, translated through the language layer:
// when the system reports the sheet initialised, the sheet's layout is set
// to the language's reading direction, its texts are translated, and each
// page title is translated by its current text. A callback the caller put in
// the header still runs first.
//
// Interface thread (the thread that creates the sheet).
#pragma once

#include <windows.h>

#include <prsht.h>

namespace updater {

// PropertySheetW with the translation: what PropertySheetW returns (the
// sheet's window for a modeless sheet).
INT_PTR LangPropertySheet(const PROPSHEETHEADERW& header);

// Translates a created sheet: layout, texts and page titles. Does nothing
// without a registered language binding.
void TranslatePropertySheet(HWND sheet);

}  // namespace updater
