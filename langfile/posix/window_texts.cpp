#include "langfile/window_texts.h"

namespace langfile {

// The Linux front ends have no dialogs or menus to translate.
int TranslateDialogTexts(const Language&, void*) {
    return 0;
}

int TranslateMenuTexts(const Language&, void*) {
    return 0;
}

void SetDialogLayout(void*, bool) {}

}  // namespace langfile
