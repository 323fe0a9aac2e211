// The windows a WindowStateRecord keeps: a top-level window and a list view
// control, by their window handles. Interface thread (the windows' own).
#pragma once

#include "updater/config/window_state_record.h"

namespace updater {

class HwndRecordWindow : public RecordWindow {
  public:
    explicit HwndRecordWindow(void* window) : window_(window) {}
    bool IsMinimised() const override;
    WindowRect Rectangle() const override;
    void PrimaryScreenSize(int32_t& width, int32_t& height) const override;
    void Place(const WindowRect& rect) override;

  private:
    void* window_;
};

class HwndRecordList : public RecordList {
  public:
    explicit HwndRecordList(void* list) : list_(list) {}
    uint32_t Style() const override;
    void SetStyle(uint32_t style) override;
    int32_t ColumnWidth(size_t column) const override;
    void SetColumnWidth(size_t column, int32_t width) override;

  private:
    void* list_;
};

}  // namespace updater
