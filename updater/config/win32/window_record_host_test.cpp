#include "updater/config/win32/window_record_host.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "updater/config/updater_records.h"

namespace updater {
namespace {

// A top-level window with a report list of five columns, destroyed at the end.
class Windows {
  public:
    Windows() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        frame_ = CreateWindowExW(0, L"STATIC", L"Record test", WS_OVERLAPPEDWINDOW, 40, 50, 500,
                                 400, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (frame_ == nullptr)
            return;
        list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 400,
                                300, frame_, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; list_ != nullptr && i < 5; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH;
            column.cx = 60 + i;
            SendMessageW(list_, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
    }
    ~Windows() {
        if (frame_ != nullptr)
            DestroyWindow(frame_);
    }
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

TEST(WindowRecordHost, RealWindowsRoundTripThroughTheRegistry) {
    Windows windows;
    if (windows.frame_ == nullptr || windows.list_ == nullptr)
        GTEST_SKIP() << "no window can be created here (no display)";
    ShowWindow(windows.frame_, SW_SHOWNORMAL);
    HwndRecordWindow window(windows.frame_);
    HwndRecordList list(windows.list_);
    const std::u16string name = u"WndPos-" + platform::FromUtf8(std::to_string(GetTickCount()));
    WindowStateRecord record;
    record.Prepare(platform::Hive::CurrentUser, u"Software\\Korvane\\Test\\WindowRecordHost", name,
                   0, kVersionsListColumns);
    list.SetColumnWidth(2, 150);
    ASSERT_TRUE(record.Save(&window, &list, {}));
    const WindowRect saved = window.Rectangle();
    EXPECT_EQ(record.ColumnWidths(), (std::vector<int32_t>{60, 61, 150, 63, 64}));
    EXPECT_EQ(record.ViewBits(), static_cast<uint32_t>(LVS_REPORT));

    SetWindowPos(windows.frame_, nullptr, 5, 6, 200, 100, SWP_NOZORDER);
    list.SetColumnWidth(2, 20);
    WindowStateRecord read;
    read.Prepare(platform::Hive::CurrentUser, u"Software\\Korvane\\Test\\WindowRecordHost", name, 0,
                 kVersionsListColumns);
    ASSERT_TRUE(read.Read(&window, &list, nullptr, 0));
    EXPECT_EQ(window.Rectangle(), saved);
    EXPECT_EQ(list.ColumnWidth(2), 150);

    ShowWindow(windows.frame_, SW_MINIMIZE);
    EXPECT_TRUE(window.IsMinimised());
    EXPECT_FALSE(record.Save(&window, &list, {}));
}

}  // namespace
}  // namespace updater
