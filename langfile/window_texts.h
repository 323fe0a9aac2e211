// Translation of window texts in place: one implementation per target
// (Windows: dialogs and menus through the Win32 API; Linux: nothing to do).
// Called on the thread that owns the window.
#pragma once

#include "langfile/language_table.h"

namespace langfile {

// Number of texts replaced, -1 when window is no window.
int TranslateDialogTexts(const Language& language, void* window);
// Number of texts replaced, -1 when menu is no menu.
int TranslateMenuTexts(const Language& language, void* menu);
void SetDialogLayout(void* window, bool rightToLeft);

}  // namespace langfile
