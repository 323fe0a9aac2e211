// WizardPage: runs a page's logic as a modal dialog from its template and
// gives every page the shared behaviour: the program icon, the white page with
// transparent controls, the "About" item of the system menu, the centred icon
// when minimised, clicks and notifications passed to the page logic, and the
// system's volume arrival and removal reports.
//
// Interface thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "win32_page_view.h"
#include "wizard/app/pages/page.h"

namespace wizard::win32 {

class WizardPage {
  public:
    WizardPage(HINSTANCE instance, pages::Page& logic) : instance_(instance), logic_(logic) {}
    virtual ~WizardPage() = default;
    WizardPage(const WizardPage&) = delete;
    WizardPage& operator=(const WizardPage&) = delete;

    // Runs the page modally; returns its PageResult (Cancel when the window
    // cannot be created).
    pages::PageResult DoModal(HWND owner = nullptr);
    // The page's window while it runs, else null.
    HWND Window() const { return window_; }

  protected:
    // Called after the page logic has filled the controls.
    virtual void OnInitialized() {}
    // A message the shared behaviour does not handle; true when handled.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    HINSTANCE instance_;
    pages::Page& logic_;
    std::unique_ptr<Win32PageView> view_;
    HWND window_ = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Initialize();
    INT_PTR ColorControl(HDC dc, HWND control);
    bool Notify(const NMHDR& header);
    void PaintMinimized();

    HBRUSH white_ = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    IconHandle bigIcon_, smallIcon_;
};

}  // namespace wizard::win32
