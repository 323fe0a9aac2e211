#include "updater/app/win32/dlg_base.h"

#include "updater/app/win32/sized_ctrls_win32.h"

namespace updater {

void cDlgBase::OnCommand(int id, int code) {
    const auto handler = handlers_.find(id);
    if (handler != handlers_.end())
        handler->second(code);
    else
        Command(id, code);
}

void cDlgBase::Command(int id, int code) {
    if (code == BN_CLICKED)
        End(id);
}

void cDlgBase::OnSize(int, int) {
    ArrangeAnchors(sized_, Window());
}

bool cDlgBase::Anchor(int id, int mode) {
    return RegisterAnchor(sized_, Window(), id, mode);
}

HWND cDlgPage::Create(HINSTANCE instance, cDlg& frame) {
    frame_ = &frame;
    return CreateModeless(instance, frame.Window());
}

void cDlgPage::Command(int, int) {}

}  // namespace updater
