// PageView: what the page logic needs from a page's window, by control id.
// The Win32 dialogs implement it over their controls; tests use a fake that
// records every call. The page logic never touches a window by itself.
//
// Interface thread only (the progress page's worker reports through a
// BuildReporter instead).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace wizard::pages {

using platform::WString;

// The value a page's modal run returns.
enum class PageResult : int {
    Next = 1,  // "&Next >", "&Create", "&Finish"
    Cancel = 2,
    Back = 1011,
    UsbChosen = 1004,  // start page
    IsoChosen = 1005,  // start page
};

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Information, Warning, Error };
// The button that closed a message box.
enum class MessageAnswer : int { Ok = 1, Yes = 6, No = 7 };

struct Rgb {
    uint8_t red = 0, green = 0, blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kDarkRed{191, 0, 0};
inline constexpr Rgb kGreen{0, 175, 0};

struct WindowPoint {
    int32_t x = 0, y = 0;
};

// One row of a list view: the texts of its columns and the value it carries.
struct ListRow {
    std::vector<WString> columns;
    int32_t value = 0;
};

// What the open-file dialog of the ISO image path page is given.
struct FileDialogRequest {
    WString title;
    WString filterName;     // "ISO image files (*.iso)"
    WString filterPattern;  // "*.ISO"
    WString initialFolder;
    WString fileName;  // the current name (up to 260 characters)
};

class PageView {
  public:
    virtual ~PageView() = default;

    // Texts, check marks, state.
    virtual WString Text(int id) const = 0;
    virtual void SetText(int id, const WString& text) = 0;
    virtual bool Checked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    virtual void SetEnabled(int id, bool enabled) = 0;
    virtual void SetVisible(int id, bool visible) = 0;
    virtual void SetCueBanner(int id, const WString& text) = 0;
    // The most characters the user can type into an edit box.
    virtual void SetTextLimit(int id, size_t maxChars) = 0;

    // Look: the "MS Shell Dlg" font height of a control, its text colour, an
    // icon resource in a picture or button control.
    virtual void SetFontHeight(int id, int height) = 0;
    virtual void SetTextColor(int id, Rgb color) = 0;
    virtual void SetIcon(int id, int iconResource) = 0;

    // List view: columns, rows (the selected row given by its value; none
    // when no row carries it), and the value of the selected row.
    virtual void SetListColumns(int id, const std::vector<WString>& headers) = 0;
    virtual void SetListRows(int id, const std::vector<ListRow>& rows,
                             std::optional<int32_t> selectedValue) = 0;
    virtual std::optional<int32_t> SelectedListValue(int id) const = 0;

    // Drop-down list: items with values, selection by value (-1 = none).
    virtual void ClearCombo(int id) = 0;
    virtual void AddComboItem(int id, const WString& text, int32_t value) = 0;
    virtual void SelectComboValue(int id, int32_t value) = 0;
    virtual int32_t SelectedComboValue(int id) const = 0;

    // Progress bar: range 0..100 and position.
    virtual void SetProgress(int id, int position) = 0;

    // A message box owned by the page, caption "Quelix Omnisweep".
    virtual MessageAnswer ShowMessage(const WString& text, MessageButtons buttons,
                                      MessageIcon icon) = 0;
    // The open-file dialog; the chosen name, or nothing when cancelled.
    virtual std::optional<WString> BrowseForFile(const FileDialogRequest& request) = 0;
    // Opens a topic of the help file; returns at once, failures are silent.
    virtual void OpenHelp(const WString& topic) = 0;

    // The window's top-left corner on the screen, and moving it there.
    virtual WindowPoint Position() const = 0;
    virtual void MoveTo(WindowPoint point) = 0;
    // Ends the modal run with a result.
    virtual void Close(PageResult result) = 0;
    // The page's window for a window of another thread that belongs to the
    // page (the share check's wait popup); null without a window.
    virtual void* NativeWindow() const { return nullptr; }
};

}  // namespace wizard::pages
