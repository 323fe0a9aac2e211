#include "updater/app/win32/sized_ctrls_win32.h"

namespace updater {

bool RegisterAnchor(cSizedCtrls& list, HWND dialog, int id, int mode) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr)
        return false;
    RECT bounds{}, client{};
    GetWindowRect(control, &bounds);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bounds), 2);
    GetClientRect(dialog, &client);
    return list.Register(control, mode, Rect{bounds.left, bounds.top, bounds.right, bounds.bottom},
                         client.right, client.bottom);
}

void ArrangeAnchors(const cSizedCtrls& list, HWND dialog) {
    if (list.Count() == 0)
        return;
    RECT client{};
    GetClientRect(dialog, &client);
    HDWP batch = BeginDeferWindowPos(static_cast<int>(list.Count()));
    for (const Anchor& anchor : list.Anchors()) {
        const Rect place = PlaceAnchored(anchor, client.right, client.bottom);
        HWND control = static_cast<HWND>(anchor.control);
        if (batch != nullptr)
            batch = DeferWindowPos(batch, control, nullptr, place.left, place.top, place.Width(),
                                   place.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(control, nullptr, place.left, place.top, place.Width(), place.Height(),
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch != nullptr)
        EndDeferWindowPos(batch);
    InvalidateRect(dialog, nullptr, TRUE);
}

}  // namespace updater
