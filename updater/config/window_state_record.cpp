#include "updater/config/window_state_record.h"

#include <algorithm>
#include <limits>

namespace updater {
namespace {

uint32_t Word(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

void PutWord(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i, value >>= 8)
        out.push_back(static_cast<uint8_t>(value & 0xFF));
}

}  // namespace

void WindowStateRecord::Prepare(platform::Hive root, platform::WStringView key,
                                platform::WStringView valueName, size_t stateSize, size_t columns) {
    root_ = root;
    key_ = platform::WString(key);
    valueName_ = platform::WString(valueName);
    rect_ = WindowRect{};
    rectKnown_ = false;
    widths_.assign(columns, 0);
    storedColumns_ = 0;
    viewBits_ = 0;
    state_.assign(stateSize, 0);
}

bool WindowStateRecord::Parse(std::span<const uint8_t> value, std::vector<uint8_t>* trailing,
                              size_t trailingCapacity) {
    if (value.size() < 4)
        return false;
    const uint32_t count = Word(value, 0);
    // The size is checked in 64 bits, so no stored count can wrap it.
    if (count > kMaxColumns || value.size() < 8 + 4 * static_cast<uint64_t>(count))
        return false;
    bool anyWidth = count == 0;
    for (uint32_t i = 0; i < count && !anyWidth; ++i)
        anyWidth = Word(value, 4 + 4 * i) != 0;
    if (!anyWidth)
        return false;
    if (count > widths_.size())
        widths_.resize(count, kNewColumnWidth);
    for (uint32_t i = 0; i < count; ++i)
        widths_[i] = static_cast<int32_t>(Word(value, 4 + 4 * i));
    storedColumns_ = count;
    size_t at = 4 + 4 * static_cast<size_t>(count);
    viewBits_ = Word(value, at);
    at += 4;
    if (value.size() - at < 16)
        return false;
    rect_ = WindowRect{
        static_cast<int32_t>(Word(value, at)), static_cast<int32_t>(Word(value, at + 4)),
        static_cast<int32_t>(Word(value, at + 8)), static_cast<int32_t>(Word(value, at + 12))};
    rectKnown_ = true;
    at += 16;
    const size_t block = std::min(state_.size(), value.size() - at);
    std::copy_n(value.begin() + static_cast<ptrdiff_t>(at), block, state_.begin());
    at += block;
    if (trailing != nullptr) {
        const size_t rest = std::min(trailingCapacity, value.size() - at);
        trailing->assign(value.begin() + static_cast<ptrdiff_t>(at),
                         value.begin() + static_cast<ptrdiff_t>(at + rest));
    }
    return true;
}

std::vector<uint8_t> WindowStateRecord::Serialize(std::span<const uint8_t> trailing) const {
    std::vector<uint8_t> out;
    out.reserve(4 + 4 * widths_.size() + 4 + 16 + state_.size() + trailing.size());
    PutWord(out, static_cast<uint32_t>(widths_.size()));
    for (const int32_t width : widths_)
        PutWord(out, static_cast<uint32_t>(width));
    PutWord(out, viewBits_);
    for (const int32_t side : {rect_.left, rect_.top, rect_.right, rect_.bottom})
        PutWord(out, static_cast<uint32_t>(side));
    out.insert(out.end(), state_.begin(), state_.end());
    out.insert(out.end(), trailing.begin(), trailing.end());
    return out;
}

bool WindowStateRecord::Read(RecordWindow* window, RecordList* list, std::vector<uint8_t>* trailing,
                             size_t trailingCapacity) {
    std::vector<uint8_t> value;
    if (!StoredValue(value) || value.empty())
        return false;
    if (!Parse(value, trailing, trailingCapacity))
        return false;
    if (window != nullptr) {
        int32_t width = 0, height = 0;
        window->PrimaryScreenSize(width, height);
        // An empty or inverted rectangle was never a window's: placing the
        // window there would shrink it to nothing.
        if (rect_.HasArea() && rect_.left >= 0 && rect_.top >= 0 && rect_.left < width &&
            rect_.top < height) {
            window->Place(rect_);
        }
    }
    if (list != nullptr) {
        list->SetStyle((list->Style() & ~3u) | (viewBits_ & 3u));
        // Only the columns the value covers: a value stored for fewer columns
        // leaves the others at the width the list gave them.
        for (size_t i = 0; i < storedColumns_; ++i)
            list->SetColumnWidth(i, widths_[i]);
    }
    return true;
}

bool WindowStateRecord::Save(const RecordWindow* window, const RecordList* list,
                             std::span<const uint8_t> trailing) {
    if (window != nullptr && window->IsMinimised())
        return false;
    if (window != nullptr) {
        rect_ = window->Rectangle();
        rectKnown_ = true;
    } else if (!rectKnown_) {
        // Nothing was read (say, a check before any window was shown): keep
        // what is stored rather than writing zeros as a window position.
        WindowRect stored;
        if (StoredRectangle(stored))
            rect_ = stored;
    }
    viewBits_ = list != nullptr ? (list->Style() & 3u) : 0;
    if (list != nullptr) {
        for (size_t i = 0; i < widths_.size(); ++i)
            widths_[i] = list->ColumnWidth(i);
    }
    const std::vector<uint8_t> value = Serialize(trailing);
    if (value.size() > std::numeric_limits<uint32_t>::max())
        return false;
    platform::RegistryKey key;
    if (key.Create(root_, key_, platform::kKeyWrite) != platform::kErrorSuccess)
        return false;
    return key.Set(valueName_, platform::kRegBinary, value.data(),
                   static_cast<uint32_t>(value.size())) == platform::kErrorSuccess;
}

bool WindowStateRecord::RectangleOfValue(std::span<const uint8_t> value, WindowRect& rect) {
    if (value.size() < 4)
        return false;
    const uint32_t count = Word(value, 0);
    const uint64_t at = 8 + 4 * static_cast<uint64_t>(count);
    if (count > kMaxColumns || value.size() < at + 16)
        return false;
    const size_t offset = static_cast<size_t>(at);
    rect = WindowRect{static_cast<int32_t>(Word(value, offset)),
                      static_cast<int32_t>(Word(value, offset + 4)),
                      static_cast<int32_t>(Word(value, offset + 8)),
                      static_cast<int32_t>(Word(value, offset + 12))};
    return true;
}

bool WindowStateRecord::StoredValue(std::vector<uint8_t>& value) const {
    platform::RegistryKey key;
    if (key.Open(root_, key_, platform::kKeyRead) != platform::kErrorSuccess)
        return false;
    uint32_t type = platform::kRegNone;
    return key.QueryBytes(valueName_, type, value) == platform::kErrorSuccess &&
           type == platform::kRegBinary;
}

bool WindowStateRecord::StoredRectangle(WindowRect& rect) const {
    std::vector<uint8_t> value;
    if (!StoredValue(value))
        return false;
    return RectangleOfValue(value, rect);
}

}  // namespace updater
