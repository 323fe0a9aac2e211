#include "gui_driver.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "png_writer.h"

namespace gui {
namespace {

struct Search {
    const std::wstring* caption;
    int childId;
    bool owned;  // message boxes have the page as owner; pages have none
    HWND found;
};

BOOL CALLBACK FindOwnWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (*search->caption != text)
        return TRUE;
    if (search->childId != 0 && !GetDlgItem(window, search->childId))
        return TRUE;
    if ((GetWindow(window, GW_OWNER) != nullptr) != search->owned)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindNow(const std::wstring& caption, int childId, bool owned = false) {
    Search search{&caption, childId, owned, nullptr};
    EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK FindAnyOwnWindow(HWND window, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// The folder of the screenshots, as a Windows path.
std::wstring ScreensFolder() {
    return WinePath("QO_SCREENS_DIR", "screens");
}

// The text of a message box: its static control that is not the icon.
std::wstring MessageText(HWND box) {
    std::wstring found;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[16] = {};
        GetClassNameW(child, className, 16);
        if (_wcsicmp(className, L"Static") != 0)
            continue;
        wchar_t text[1024] = {};
        GetWindowTextW(child, text, 1024);
        if (wcslen(text) > found.size())
            found = text;
    }
    return found;
}

}  // namespace

std::wstring WinePath(const char* variable, const char* fallback) {
    const char* env = std::getenv(variable);
    const std::string path = env && *env ? env : fallback;
    std::wstring wide(path.begin(), path.end());
    if (!wide.empty() && wide[0] == L'/')
        wide = L"Z:" + wide;  // Wine's drive for the Unix root
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

HWND WaitForWindow(const std::wstring& caption, int childId, std::chrono::milliseconds limit,
                   bool owned) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (HWND window = FindNow(caption, childId, owned)) {
            std::this_thread::sleep_for(100ms);  // let the page finish its first paint
            return window;
        }
        std::this_thread::sleep_for(20ms);
    }
    return nullptr;
}

bool WaitGone(HWND window, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (!IsWindow(window) || !IsWindowVisible(window))
            return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

void Click(HWND dialog, int id) {
    // Sent with a time limit: a click that the page handles at once is done when
    // the call returns (so the next check sees its effect even on a loaded
    // machine); one that opens a message box leaves the driver free to answer it.
    HWND control = GetDlgItem(dialog, id);
    DWORD_PTR ignored = 0;
    if (control && IsWindowVisible(control))
        SendMessageTimeoutW(control, BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &ignored);
    else  // a hidden control or a plain command
        SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                            reinterpret_cast<LPARAM>(control), SMTO_NORMAL, 1000, &ignored);
    std::this_thread::sleep_for(50ms);
}

void Type(HWND dialog, int id, const std::wstring& text) {
    SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void TypeKeys(HWND dialog, int id, const std::wstring& text) {
    SendDlgItemMessageW(dialog, id, EM_SETSEL, 0, -1);
    for (const wchar_t key : text)
        SendDlgItemMessageW(dialog, id, WM_CHAR, key, 1);
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[1024] = {};
    SendDlgItemMessageW(dialog, id, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

bool IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsVisible(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

int ListCount(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring ListText(HWND dialog, int id, int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendDlgItemMessageW(dialog, id, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(&item));
    return text;
}

void SelectListRow(HWND dialog, int id, int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendDlgItemMessageW(dialog, id, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(&item));
    std::this_thread::sleep_for(50ms);
}

int ComboCount(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0));
}

void SelectComboRow(HWND dialog, int id, int row) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

MessageBoxSeen WaitForMessageBox(const std::wstring& caption, std::chrono::milliseconds limit) {
    MessageBoxSeen seen;
    seen.window = WaitForWindow(caption, 0, limit, true);
    if (seen.window)
        seen.text = MessageText(seen.window);
    return seen;
}

void Answer(const MessageBoxSeen& box, int button) {
    if (!box.window)
        return;
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    WaitGone(box.window, 5s);
    std::this_thread::sleep_for(100ms);
}

bool SaveScreenshot(HWND window, const std::string& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::this_thread::sleep_for(300ms);
    RECT r{};
    if (!GetWindowRect(window, &r))
        return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0)
        return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const bool copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgra(static_cast<size_t>(width) * height * 4);
    const bool read = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info,
                                DIB_RGB_COLORS) == height;
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied || !read)
        return false;
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < bgra.size(); i += 4) {
        rgb.push_back(bgra[i + 2]);
        rgb.push_back(bgra[i + 1]);
        rgb.push_back(bgra[i]);
    }
    const std::wstring folder = ScreensFolder();
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring path = folder + L"\\" + std::wstring(name.begin(), name.end()) + L".png";
    return WritePng(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), rgb);
}

void CloseEverything() {
    for (int round = 0; round < 10; ++round) {
        HWND box = FindNow(L"Quelix Omnisweep", 0, true);
        if (box) {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            PostMessageW(box, WM_COMMAND, IDNO, 0);
        } else if (HWND page = FindNow(L"Quelix Omnisweep", 0)) {
            PostMessageW(page, WM_COMMAND, IDCANCEL, 0);
        } else if (HWND about = FindNow(L"About Quelix Omnisweep Wizard", 0)) {
            PostMessageW(about, WM_COMMAND, IDOK, 0);
        } else {
            // Any other window of the test (the update program's): cancelled.
            HWND any = nullptr;
            EnumWindows(FindAnyOwnWindow, reinterpret_cast<LPARAM>(&any));
            if (any == nullptr)
                return;
            PostMessageW(any, WM_COMMAND, IDCANCEL, 0);
            PostMessageW(any, WM_CLOSE, 0, 0);
        }
        std::this_thread::sleep_for(200ms);
    }
}

}  // namespace gui
