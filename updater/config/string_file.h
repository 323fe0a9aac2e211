// cStringFile: a text file loaded whole and decoded to UTF-16 by its first
// bytes, then read line by line (cStringBuffer).
//
//   FF FE               UTF-16 little-endian, text after the mark
//   FE FF               UTF-16 big-endian, text after the mark
//   EF BB BF            UTF-8, text after the mark
//   first or second     UTF-16 little-endian without a mark
//   byte 0
//   anything else       the ANSI code page
//
// A trailing odd byte of UTF-16 text is ignored. Files larger than
// kMaxFileBytes are not loaded: these files are a few kilobytes.
//
// One thread at a time.
#pragma once

#include <cstdint>
#include <span>

#include "platform/text.h"
#include "updater/config/string_buffer.h"

namespace updater {

enum class TextForm { Utf16LittleEndian, Utf16BigEndian, Utf8, Utf16Unmarked, SingleByte };

// The form of a text file by its first bytes and the length of its mark.
TextForm DetectTextForm(std::span<const uint8_t> bytes, size_t& markLength);
// The file's text in UTF-16.
platform::WString DecodeTextFile(std::span<const uint8_t> bytes, TextForm* form = nullptr);

class cStringFile : public cStringBuffer {
  public:
    static constexpr uint64_t kMaxFileBytes = 16u << 20;

    // Loads and decodes a file; false (and no text) when it cannot be read or
    // is too large.
    bool Open(platform::WStringView path);
    // Decodes bytes already in memory; the buffer counts as open.
    void Load(std::span<const uint8_t> bytes);
    void Close();

    bool IsOpen() const { return open_; }
    TextForm Form() const { return form_; }

  private:
    bool open_ = false;
    TextForm form_ = TextForm::SingleByte;
};

}  // namespace updater
