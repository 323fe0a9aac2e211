#include "updater/app/win32/colored_dlg.h"

#include "platform/win32/wide.h"
#include "updater/app/win32/sized_ctrls_win32.h"

namespace updater {
namespace {

constexpr int kIconSize = 32;

// The rectangle of a dialog's control in the dialog's client coordinates.
bool ControlRect(HWND dialog, HWND control, RECT& rect) {
    if (control == nullptr || !GetWindowRect(control, &rect))
        return false;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

FontHandle HeaderFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        // Systems before Vista know the structure without its last field.
        metrics.cbSize = sizeof(metrics) - sizeof(metrics.iPaddedBorderWidth);
        if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            return nullptr;
    }
    LOGFONTW font = metrics.lfMessageFont;
    font.lfWeight = FW_BOLD;
    return FontHandle(CreateFontIndirectW(&font));
}

}  // namespace

BOOL cColoredDlg::OnInit() {
    HWND window = Window();
    bandBrush_.reset(CreateSolidBrush(bandColour_));
    if (!caption_.empty())
        SetWindowTextW(window, platform::Wide(caption_));
    if (titleId_ != 0) {
        titleFont_ = HeaderFont();
        if (titleFont_)
            SendDlgItemMessageW(window, titleId_, WM_SETFONT,
                                reinterpret_cast<WPARAM>(titleFont_.get()), FALSE);
    }
    if (iconResource_ != nullptr)
        icon_ = LoadIconW(iconInstance_, iconResource_);
    if (position_.right > position_.left && position_.bottom > position_.top)
        SetWindowPos(window, nullptr, position_.left, position_.top,
                     position_.right - position_.left, position_.bottom - position_.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    KeepPosition();
    return TRUE;
}

bool cColoredDlg::Anchor(int id, int mode) {
    return RegisterAnchor(sized_, Window(), id, mode);
}

int cColoredDlg::BandBottom() const {
    RECT rect{};
    if (separatorId_ == 0 || !ControlRect(Window(), GetDlgItem(Window(), separatorId_), rect))
        return 0;
    return rect.top;
}

void cColoredDlg::OnSize(int, int) {
    ArrangeAnchors(sized_, Window());
    KeepPosition();
}

void cColoredDlg::KeepPosition() {
    HWND window = Window();
    if (window != nullptr && !IsIconic(window) && !IsZoomed(window))
        GetWindowRect(window, &position_);
}

void cColoredDlg::Paint() {
    HWND window = Window();
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(window, &paint);
    RECT band{};
    GetClientRect(window, &band);
    band.bottom = BandBottom();
    if (band.bottom > 0 && bandBrush_)
        FillRect(dc, &band, bandBrush_.get());
    RECT place{};
    if (icon_ != nullptr && ControlRect(window, GetDlgItem(window, iconId_), place))
        DrawIconEx(dc, place.left, place.top, icon_, kIconSize, kIconSize, 0, nullptr, DI_NORMAL);
    EndPaint(window, &paint);
}

// Static controls that stand on the band take its colour.
HBRUSH cColoredDlg::ControlColour(HDC dc, HWND control) {
    RECT rect{};
    if (!bandBrush_ || !ControlRect(Window(), control, rect) || rect.top >= BandBottom())
        return nullptr;
    SetBkColor(dc, bandColour_);
    SetBkMode(dc, TRANSPARENT);
    return bandBrush_.get();
}

INT_PTR cColoredDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush =
                    ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<INT_PTR>(brush);
            return FALSE;
        case WM_MOVE:
            KeepPosition();
            return FALSE;
        default:
            return cDlg::DialogProc(message, wParam, lParam);
    }
}

}  // namespace updater
