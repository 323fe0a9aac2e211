// JsonReader: a small reader of JSON text (RFC 8259) for the policy file the
// wizard writes. Strings are kept as single-byte text: a \u escape below 0x100
// gives that byte, a larger one '?'. The input is untrusted: any bytes give a
// value or an error, never a crash; nesting is limited to kMaxJsonDepth.
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wiper {

constexpr int kMaxJsonDepth = 64;

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;     // an array's
    std::vector<JsonMember> members;  // an object's, in file order

    // The first member of that name of an object; nullptr when there is none
    // or this is no object.
    const JsonValue* Find(std::string_view name) const;
};

struct JsonMember {
    std::string name;
    JsonValue value;
};

// Parses the whole text (white space around the value allowed). False with a
// message that names the byte offset when the text is no valid JSON.
bool ParseJson(std::string_view text, JsonValue& value, std::string& error);

}  // namespace wiper
