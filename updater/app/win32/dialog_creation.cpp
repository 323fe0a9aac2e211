#include "updater/app/win32/dialog_creation.h"

namespace updater {
namespace {

DialogCreation*& Override() {
    static DialogCreation* creation = nullptr;
    return creation;
}

}  // namespace

INT_PTR DialogCreation::BoxW(HINSTANCE instance, unsigned id, HWND owner, DLGPROC proc,
                             LPARAM param) {
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(id), owner, proc, param);
}

INT_PTR DialogCreation::BoxA(HINSTANCE instance, unsigned id, HWND owner, DLGPROC proc,
                             LPARAM param) {
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(id), owner, proc, param);
}

HWND DialogCreation::CreateW(HINSTANCE instance, unsigned id, HWND parent, DLGPROC proc,
                             LPARAM param) {
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(id), parent, proc, param);
}

HWND DialogCreation::CreateA(HINSTANCE instance, unsigned id, HWND parent, DLGPROC proc,
                             LPARAM param) {
    return CreateDialogParamA(instance, MAKEINTRESOURCEA(id), parent, proc, param);
}

DialogCreation& ActiveDialogCreation() {
    static DialogCreation system;
    return Override() != nullptr ? *Override() : system;
}

DialogCreation* SetDialogCreation(DialogCreation* creation) {
    DialogCreation* previous = Override();
    Override() = creation;
    return previous;
}

}  // namespace updater
