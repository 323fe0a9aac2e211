// cStringBuffer: UTF-16 text read line by line, the way the update program
// reads its ini-like files (renovo.cfg, version descriptions, hash lists).
//
// Line rules: a line ends at CR, at LF or at the pair CR LF; the end of the
// text ends the last line. Empty lines are skipped, so no empty line is ever
// returned. A line longer than the caller's capacity minus one is returned cut
// at that length and its remainder comes as the next line. Nothing is trimmed.
//
// One thread at a time.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/text.h"

namespace updater {

class cStringBuffer {
  public:
    cStringBuffer() = default;
    explicit cStringBuffer(platform::WString text) : text_(std::move(text)) {}

    // Replaces the text and goes back to its start.
    void Assign(platform::WString text);
    // Goes back to the start of the text.
    void Rewind() { position_ = 0; }
    bool AtEnd() const { return position_ >= text_.size(); }

    // The next non-empty line, at most capacity - 1 units long. False at the
    // end of the text, and for a capacity below 2, which holds no line.
    bool ReadLine(platform::WString& line, size_t capacity);

    const platform::WString& Text() const { return text_; }

  private:
    platform::WString text_;
    size_t position_ = 0;
};

}  // namespace updater
