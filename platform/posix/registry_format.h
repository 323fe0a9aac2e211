// The ".reg" text format of the Linux registry store, as regedit writes it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\SOFTWARE\Korvane\Quelix Omnisweep]
//   @="default value"
//   "Count"=dword:0000002a
//   "Path"=hex(2):25,00,54,00,00,00
//   "Blob"=hex:01,02,03,04
//
// Long hex lists continue over several lines, each but the last ending in a
// backslash; continuation lines are indented by two spaces.
//
// Parsing is strict: a line it does not understand makes the whole file
// invalid, so the store refuses to rewrite (and so lose) what it cannot read.
// Serializing keeps every value byte for byte; Parse(Serialize(doc)) gives doc.
// Pure functions over memory: no file access, any thread may call them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace platform::regfile {

struct Value {
    WString name;  // empty for the key's default value ("@")
    uint32_t type = 0;
    std::vector<uint8_t> data;
    bool operator==(const Value&) const = default;
};

struct Section {
    WString path;  // the full key path: "HKEY_CURRENT_USER\\SOFTWARE\\Korvane"
    std::vector<Value> values;
    bool operator==(const Section&) const = default;
};

// One store file, sections and values in file order. Section paths are unique
// ignoring ASCII case, and so are value names within a section.
struct Document {
    std::vector<Section> sections;
    bool operator==(const Document&) const = default;
};

// Reads a store file: UTF-8 with or without BOM, or UTF-16LE with BOM. An
// empty file is an empty store. Returns false, with out empty, when the bytes
// are not a well-formed file. A section or value that appears twice is merged
// as regedit does: the later value wins.
bool Parse(std::string_view bytes, Document& out);

// Writes the store in UTF-8 without BOM, LF line ends.
std::string Serialize(const Document& doc);

// Whether a key or value name can stand in the file: no control characters
// (below U+0020) and no unpaired surrogates.
bool IsStorableName(WStringView name);
// Whether a full key path can stand in a section header: storable names
// separated by single backslashes, none of them empty.
bool IsStorableKeyPath(WStringView path);

// Lookups ignoring ASCII case.
Section* FindSection(Document& doc, WStringView path);
const Section* FindSection(const Document& doc, WStringView path);
Value* FindValue(Section& section, WStringView name);
const Value* FindValue(const Section& section, WStringView name);

// A key exists when its own section or a section below it exists.
bool KeyExists(const Document& doc, WStringView path);

// Returns the section of path, appending it when missing. A new section takes
// the spelling of the ancestors already in the store, so creating
// "software\\korvane\\x" beside "SOFTWARE\\Korvane" gives "SOFTWARE\\Korvane\\x".
Section& AddSection(Document& doc, WStringView path);

// Stores value in section, replacing a value of the same name in place.
// Returns false when an identical value (name spelling, type, bytes) was there.
bool PutValue(Section& section, Value value);

}  // namespace platform::regfile
