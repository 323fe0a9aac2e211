// WindowStateRecord: one REG_BINARY registry value that keeps a window's
// rectangle, the column widths and view mode of one list, an owner-defined
// state block of fixed size and optional trailing bytes. Stored layout, with
// no gaps, little-endian:
//
//   column count N    4
//   column widths     4 x N   (signed)
//   view bits         4       the list's style masked with 3
//   rectangle         16      left, top, right, bottom (signed)
//   state block       B       owner-defined
//   trailing data     rest    owner-defined, optional
//
// The window and the list are reached through RecordWindow and RecordList
// (win32/window_record_host.h over real windows; fakes in tests).
//
// A record is used by one thread at a time: the interface thread, or the
// update worker while the window does not use it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/registry.h"
#include "platform/text.h"

namespace updater {

struct WindowRect {
    // Whether the rectangle has an area (a window could be placed in it).
    bool HasArea() const { return right > left && bottom > top; }

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const WindowRect&) const = default;
};

class RecordWindow {
  public:
    virtual ~RecordWindow() = default;
    virtual bool IsMinimised() const = 0;
    // In screen coordinates.
    virtual WindowRect Rectangle() const = 0;
    virtual void PrimaryScreenSize(int32_t& width, int32_t& height) const = 0;
    // Moves and sizes the window without changing its Z order.
    virtual void Place(const WindowRect& rect) = 0;
};

class RecordList {
  public:
    virtual ~RecordList() = default;
    virtual uint32_t Style() const = 0;
    virtual void SetStyle(uint32_t style) = 0;
    virtual int32_t ColumnWidth(size_t column) const = 0;
    virtual void SetColumnWidth(size_t column, int32_t width) = 0;
};

class WindowStateRecord {
  public:
    // A stored column count above this is refused: no list of the program
    // comes near it, and it bounds the table a damaged value could ask for.
    static constexpr uint32_t kMaxColumns = 256;
    // Width of a column that the stored table adds to the record's.
    static constexpr int32_t kNewColumnWidth = 100;

    // Names the value and sizes the state block (zeros) and the column table
    // (widths 0).
    void Prepare(platform::Hive root, platform::WStringView key, platform::WStringView valueName,
                 size_t stateSize, size_t columns);

    // Reads the stored value: it must be a non-empty REG_BINARY that holds the
    // column table, the view bits and the rectangle; then the state block and
    // up to trailingCapacity trailing bytes are copied as far as the value
    // holds them (a shorter stored block leaves the rest of the block as it
    // was). Places the window when the rectangle is not empty and its top-left
    // corner lies on the primary screen, and gives the list its view bits and
    // the widths of the columns the value holds (the list's other columns keep
    // their widths).
    bool Read(RecordWindow* window, RecordList* list, std::vector<uint8_t>* trailing,
              size_t trailingCapacity);
    // Stores the record followed by the trailing bytes. A minimised window
    // saves nothing (false). The rectangle comes from the window when one is
    // given, else it is the one read or set before; when there is none, the
    // rectangle of the value stored now is kept (zeros when there is none).
    // The view bits and the widths come from the list (view bits 0 without).
    bool Save(const RecordWindow* window, const RecordList* list,
              std::span<const uint8_t> trailing);

    // Reads the record from a stored value's bytes (Read without the registry
    // and the windows). What lies before a failure has been copied.
    bool Parse(std::span<const uint8_t> value, std::vector<uint8_t>* trailing,
               size_t trailingCapacity);
    // The rectangle of a stored value whose column table may be damaged
    // (widths all 0); false when the value is too short to hold one.
    static bool RectangleOfValue(std::span<const uint8_t> value, WindowRect& rect);
    // The value's bytes for the record and the trailing bytes.
    std::vector<uint8_t> Serialize(std::span<const uint8_t> trailing) const;

    const WindowRect& Rectangle() const { return rect_; }
    void SetRectangle(const WindowRect& rect) {
        rect_ = rect;
        rectKnown_ = true;
    }
    // Whether the rectangle was read, set or taken from a window.
    bool RectangleKnown() const { return rectKnown_; }
    const std::vector<int32_t>& ColumnWidths() const { return widths_; }
    uint32_t ViewBits() const { return viewBits_; }
    std::vector<uint8_t>& StateBlock() { return state_; }
    const std::vector<uint8_t>& StateBlock() const { return state_; }

  private:
    platform::Hive root_ = platform::Hive::CurrentUser;
    platform::WString key_;
    platform::WString valueName_;
    // The stored REG_BINARY value; false when there is none.
    bool StoredValue(std::vector<uint8_t>& value) const;
    // The rectangle of the value stored now, when it holds one.
    bool StoredRectangle(WindowRect& rect) const;

    WindowRect rect_;
    bool rectKnown_ = false;
    std::vector<int32_t> widths_;
    size_t storedColumns_ = 0;  // columns of the value last parsed
    uint32_t viewBits_ = 0;
    std::vector<uint8_t> state_;
};

}  // namespace updater
