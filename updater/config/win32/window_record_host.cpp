#include "updater/config/win32/window_record_host.h"

#include <windows.h>

#include <commctrl.h>

namespace updater {
namespace {

HWND Handle(void* window) {
    return static_cast<HWND>(window);
}

}  // namespace

bool HwndRecordWindow::IsMinimised() const {
    return IsIconic(Handle(window_)) != FALSE;
}

WindowRect HwndRecordWindow::Rectangle() const {
    RECT rect{};
    GetWindowRect(Handle(window_), &rect);
    return WindowRect{rect.left, rect.top, rect.right, rect.bottom};
}

void HwndRecordWindow::PrimaryScreenSize(int32_t& width, int32_t& height) const {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
}

void HwndRecordWindow::Place(const WindowRect& rect) {
    SetWindowPos(Handle(window_), nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

uint32_t HwndRecordList::Style() const {
    return static_cast<uint32_t>(GetWindowLongW(Handle(list_), GWL_STYLE));
}

void HwndRecordList::SetStyle(uint32_t style) {
    SetWindowLongW(Handle(list_), GWL_STYLE, static_cast<LONG>(style));
}

int32_t HwndRecordList::ColumnWidth(size_t column) const {
    return static_cast<int32_t>(
        SendMessageW(Handle(list_), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
}

void HwndRecordList::SetColumnWidth(size_t column, int32_t width) {
    SendMessageW(Handle(list_), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column),
                 MAKELPARAM(static_cast<WORD>(width), 0));
}

}  // namespace updater
