#include "updater/config/string_buffer.h"

namespace updater {

void cStringBuffer::Assign(platform::WString text) {
    text_ = std::move(text);
    position_ = 0;
}

bool cStringBuffer::ReadLine(platform::WString& line, size_t capacity) {
    // A capacity of one would cut every line to nothing and never move on.
    if (capacity < 2)
        return false;
    while (position_ < text_.size()) {
        size_t end = text_.find_first_of(u"\r\n", position_);
        if (end == platform::WString::npos)
            end = text_.size();
        const size_t length = end - position_;
        if (length > capacity - 1) {
            line.assign(text_, position_, capacity - 1);
            position_ += capacity - 1;
            return true;
        }
        line.assign(text_, position_, length);
        position_ = end;
        if (position_ < text_.size()) {
            const bool pair = text_[position_] == u'\r' && position_ + 1 < text_.size() &&
                              text_[position_ + 1] == u'\n';
            position_ += pair ? 2 : 1;
        }
        if (length > 0)
            return true;
    }
    return false;
}

}  // namespace updater
