// Win32PageView: the PageView of a wizard page's dialog window. It owns the
// fonts it creates and remembers the text colours the page asked for, which
// the dialog applies when its controls are drawn.
// Interface thread only (the thread that runs the dialog).
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/win32/wide.h"
#include "wizard/app/pages/page_view.h"

namespace wizard::win32 {

// Deletes a GDI object when it goes.
struct GdiObjectDeleter {
    void operator()(void* object) const {
        if (object)
            DeleteObject(static_cast<HGDIOBJ>(object));
    }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// Destroys an icon loaded with LoadImage when it goes.
struct IconDeleter {
    void operator()(HICON icon) const {
        if (icon)
            DestroyIcon(icon);
    }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// An icon resource of the program at a size; the program icon when it is missing.
IconHandle LoadProgramIcon(HINSTANCE instance, int resource, int size);

class Win32PageView : public pages::PageView {
  public:
    Win32PageView(HINSTANCE instance, HWND dialog) : instance_(instance), dialog_(dialog) {}

    pages::WString Text(int id) const override;
    void SetText(int id, const pages::WString& text) override;
    bool Checked(int id) const override;
    void SetChecked(int id, bool checked) override;
    void SetEnabled(int id, bool enabled) override;
    void SetVisible(int id, bool visible) override;
    void SetCueBanner(int id, const pages::WString& text) override;
    void SetTextLimit(int id, size_t maxChars) override;
    void SetFontHeight(int id, int height) override;
    void SetTextColor(int id, pages::Rgb color) override;
    void SetIcon(int id, int iconResource) override;
    void SetListColumns(int id, const std::vector<pages::WString>& headers) override;
    void SetListRows(int id, const std::vector<pages::ListRow>& rows,
                     std::optional<int32_t> selectedValue) override;
    std::optional<int32_t> SelectedListValue(int id) const override;
    void ClearCombo(int id) override;
    void AddComboItem(int id, const pages::WString& text, int32_t value) override;
    void SelectComboValue(int id, int32_t value) override;
    int32_t SelectedComboValue(int id) const override;
    void SetProgress(int id, int position) override;
    pages::MessageAnswer ShowMessage(const pages::WString& text, pages::MessageButtons buttons,
                                     pages::MessageIcon icon) override;
    std::optional<pages::WString> BrowseForFile(const pages::FileDialogRequest& request) override;
    void OpenHelp(const pages::WString& topic) override;
    pages::WindowPoint Position() const override;
    void MoveTo(pages::WindowPoint point) override;
    void Close(pages::PageResult result) override;
    void* NativeWindow() const override { return dialog_; }

    // The colour the page gave a control, if any.
    std::optional<COLORREF> TextColorOf(int id) const;
    // True while the view itself changes a list (its notifications are not the user's).
    bool FillingList() const { return fillingList_; }

  private:
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    void FitColumns(HWND list, const std::vector<pages::WString>& headers,
                    const std::vector<pages::ListRow>& rows);

    HINSTANCE instance_;
    HWND dialog_;
    std::map<int, FontHandle> fonts_;
    std::map<int, IconHandle> icons_;
    std::map<int, COLORREF> colors_;
    std::map<int, std::vector<pages::WString>> listHeaders_;
    bool fillingList_ = false;
};

}  // namespace wizard::win32
