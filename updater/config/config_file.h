// ConfigFileReader (cConfigFile): the reader of the update program's ini-like
// files: renovo.cfg, the version descriptions and their hash lists. The file
// is loaded whole (cStringFile: five text forms by the first bytes) and read
// by the line rules of cStringBuffer.
//
// There is no comment syntax and nothing is trimmed: a section header matches
// only when the whole line equals it (ignoring ASCII case), and a line that
// starts with ";" or "#" is an ordinary line that matches no key.
//
// One thread at a time.
#pragma once

#include <cstdint>
#include <span>

#include "platform/text.h"
#include "updater/config/string_file.h"
#include "updater/support/message_owner.h"

namespace updater {

class cConfigFile {
  public:
    // Lines are read with this capacity while a section or key is searched.
    static constexpr size_t kSearchLineCapacity = 1024;
    // And with this one by ReadPair.
    static constexpr size_t kPairLineCapacity = 260;

    // Loads the file. When it cannot be opened and an owner is given, the
    // owner shows "Error in opening file\n'<path>'" under "Renovo" with an
    // error icon; without an owner the failure is quiet.
    bool Open(platform::WStringView path, MessageOwner* owner);
    // Reads bytes already in memory as a file's content.
    void OpenBytes(std::span<const uint8_t> bytes);
    bool IsOpen() const { return file_.IsOpen(); }
    TextForm Form() const { return file_.Form(); }

    // Finds the line that equals section (brackets included, ignoring case)
    // from the start of the text and leaves the reader on the line after it.
    bool FindSection(platform::WStringView section);
    // Finds key in section: the first line of the section that begins with
    // the key (ignoring case), followed by optional blanks or tabs and "=".
    // The value is the rest of the line after the blanks or tabs that follow
    // "=", cut to capacity - 1 units; trailing blanks stay. The section ends
    // at the next line that starts with "[" and ends with "]".
    bool FindValue(platform::WStringView section, platform::WStringView key,
                   platform::WString& value, size_t capacity);
    // The next line (after FindSection), cut to capacity - 1 units.
    bool ReadNextLine(platform::WString& line, size_t capacity);
    // Reads the next line and splits it at its first "=": the name is the text
    // before it (blanks included), the value the text after it without its
    // leading spaces. A line without "=" is all name with an empty value.
    // Each is cut to its capacity - 1 units.
    bool ReadPair(platform::WString& name, size_t nameCapacity, platform::WString& value,
                  size_t valueCapacity);

  private:
    cStringFile file_;
};

}  // namespace updater
