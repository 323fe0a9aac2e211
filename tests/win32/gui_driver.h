// GuiDriver: plays the user of a wizard page from a second thread while the
// page runs modally on the test's main thread. It finds the page and message
// boxes, clicks (waiting at most a second for the page to handle them, so that
// a message box opened by the click cannot block the driver), types, selects, reads controls back
// and saves screenshots of the page as PNG files.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace gui {

using namespace std::chrono_literals;

// A path from the environment (or the fallback) as Wine sees it: a Unix path
// on Wine's drive Z:, with backslashes.
std::wstring WinePath(const char* variable, const char* fallback);

// The top-level window of this process that is visible, has the caption and
// has a child control with the id (0: any), and has an owner exactly when
// `owned`; null when none shows up in time.
HWND WaitForWindow(const std::wstring& caption, int childId, std::chrono::milliseconds limit = 10s,
                   bool owned = false);
// Waits until the window is gone.
bool WaitGone(HWND window, std::chrono::milliseconds limit = 10s);

void Click(HWND dialog, int id);
void Type(HWND dialog, int id, const std::wstring& text);
// Types text key by key into an edit box, replacing its text, as a user does:
// the box's length limit applies.
void TypeKeys(HWND dialog, int id, const std::wstring& text);
std::wstring TextOf(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
bool IsVisible(HWND dialog, int id);
int ListCount(HWND dialog, int id);
std::wstring ListText(HWND dialog, int id, int row, int column);
void SelectListRow(HWND dialog, int id, int row);
int ComboCount(HWND dialog, int id);
void SelectComboRow(HWND dialog, int id, int row);

// A message box of the page: its text, and the button that answers it.
struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring text;
};
MessageBoxSeen WaitForMessageBox(const std::wstring& caption = L"Quelix Omnisweep",
                                 std::chrono::milliseconds limit = 10s);
void Answer(const MessageBoxSeen& box, int button);  // IDOK, IDYES, IDNO

// Saves the window as <folder>/<name>.png (the folder from QO_SCREENS_DIR or
// "screens" in the working folder). False when the capture failed.
bool SaveScreenshot(HWND window, const std::string& name);

// Ends whatever page, message box or other window of this process is still
// open (after a failed expectation), so that the modal run returns.
void CloseEverything();

}  // namespace gui
