// cColoredDlg: a dialog with a coloured header band. The client area above
// the separator control is painted in the band colour, the icon is drawn in
// the place of the icon control, the title control stands on the band in a
// bold font derived from the system's non-client metrics, and the caption is
// set from the caption text. Registered controls follow the dialog's size;
// the window position is kept for the caller to store.
//
// Thread of the dialog.
#pragma once

#include "updater/app/sized_controls.h"
#include "updater/app/win32/dlg.h"
#include "updater/app/win32/gdi_handles.h"

namespace updater {

constexpr int kBandSeparatorControl = 1300;
constexpr int kHeaderTextControl = 1002;
constexpr int kHeaderIconControl = 1031;

class cColoredDlg : public cDlg {
  public:
    explicit cColoredDlg(unsigned dialogId) : cDlg(dialogId) {}

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetBandColour(COLORREF colour) { bandColour_ = colour; }
    // The header's controls; 0: none.
    void SetSeparatorControl(int id) { separatorId_ = id; }
    void SetTitleControl(int id) { titleId_ = id; }
    void SetIconControl(int id) { iconId_ = id; }
    // The icon: a resource of iconInstance, or of the system when null (IDI_*).
    void SetIcon(HINSTANCE iconInstance, LPCWSTR resource) {
        iconInstance_ = iconInstance;
        iconResource_ = resource;
    }
    void SetCaption(platform::WStringView caption) { caption_ = platform::WString(caption); }
    const platform::WString& Caption() const { return caption_; }
    cSizedCtrls& SizedControls() { return sized_; }
    // The window's rectangle on the screen when it last moved or changed size
    // (or as set before the dialog opened: applied on opening when not empty).
    const RECT& WindowPosition() const { return position_; }
    void SetWindowPosition(const RECT& position) { position_ = position; }

  protected:
    BOOL OnInit() override;
    void OnSize(int width, int height) override;
    // Registers a control of this dialog for anchoring.
    bool Anchor(int id, int mode);
    // The bottom of the band in client coordinates (0 without a separator).
    int BandBottom() const;

  private:
    void Paint();
    HBRUSH ControlColour(HDC dc, HWND control);
    void KeepPosition();

    COLORREF bandColour_ = RGB(255, 255, 255);
    int separatorId_ = kBandSeparatorControl;
    int titleId_ = 0;
    int iconId_ = kHeaderIconControl;
    HINSTANCE iconInstance_ = nullptr;
    LPCWSTR iconResource_ = nullptr;
    platform::WString caption_;
    cSizedCtrls sized_;
    RECT position_{0, 0, 0, 0};
    BrushHandle bandBrush_;
    FontHandle titleFont_;
    HICON icon_ = nullptr;  // shared icons from LoadIcon need no destruction
};

}  // namespace updater
