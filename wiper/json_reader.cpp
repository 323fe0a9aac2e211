#include "wiper/json_reader.h"

#include <cstdlib>

namespace wiper {
namespace {

class Parser {
  public:
    explicit Parser(std::string_view text) : s_(text) {}

    bool Document(JsonValue& value, std::string& error) {
        SkipSpace();
        if (!Value(value, 0))
            return Failed(error);
        SkipSpace();
        if (pos_ != s_.size()) {
            problem_ = "text after the value";
            return Failed(error);
        }
        return true;
    }

  private:
    bool Failed(std::string& error) {
        error = problem_ + " at byte " + std::to_string(pos_);
        return false;
    }
    bool Fail(const char* problem) {
        problem_ = problem;
        return false;
    }
    void SkipSpace() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool Literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word)
            return Fail("unknown word");
        pos_ += word.size();
        return true;
    }

    bool Value(JsonValue& v, int depth) {
        if (depth >= kMaxJsonDepth)
            return Fail("nested too deeply");
        if (pos_ >= s_.size())
            return Fail("value missing");
        switch (s_[pos_]) {
            case '{':
                return Object(v, depth);
            case '[':
                return Array(v, depth);
            case '"':
                v.kind = JsonValue::Kind::String;
                return String(v.text);
            case 't':
                v.kind = JsonValue::Kind::Bool;
                v.boolean = true;
                return Literal("true");
            case 'f':
                v.kind = JsonValue::Kind::Bool;
                return Literal("false");
            case 'n':
                return Literal("null");
            default:
                return Number(v);
        }
    }

    bool Object(JsonValue& v, int depth) {
        v.kind = JsonValue::Kind::Object;
        ++pos_;
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == '}')
            return ++pos_, true;
        while (true) {
            SkipSpace();
            JsonMember member;
            if (pos_ >= s_.size() || s_[pos_] != '"')
                return Fail("member name expected");
            if (!String(member.name))
                return false;
            SkipSpace();
            if (pos_ >= s_.size() || s_[pos_] != ':')
                return Fail("':' expected");
            ++pos_;
            SkipSpace();
            if (!Value(member.value, depth + 1))
                return false;
            v.members.push_back(std::move(member));
            SkipSpace();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == '}')
                return ++pos_, true;
            return Fail("',' or '}' expected");
        }
    }

    bool Array(JsonValue& v, int depth) {
        v.kind = JsonValue::Kind::Array;
        ++pos_;
        SkipSpace();
        if (pos_ < s_.size() && s_[pos_] == ']')
            return ++pos_, true;
        while (true) {
            SkipSpace();
            JsonValue item;
            if (!Value(item, depth + 1))
                return false;
            v.items.push_back(std::move(item));
            SkipSpace();
            if (pos_ < s_.size() && s_[pos_] == ',') {
                ++pos_;
                continue;
            }
            if (pos_ < s_.size() && s_[pos_] == ']')
                return ++pos_, true;
            return Fail("',' or ']' expected");
        }
    }

    bool Hex4(unsigned& code) {
        code = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            if (pos_ >= s_.size())
                return Fail("short \\u escape");
            const char c = s_[pos_];
            const int d = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
            if (d < 0)
                return Fail("bad \\u escape");
            code = code * 16 + static_cast<unsigned>(d);
        }
        return true;
    }

    bool String(std::string& out) {
        ++pos_;  // the opening quote
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return --pos_, Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size())
                break;
            const char e = s_[pos_++];
            static constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
            if (const size_t at = kFrom.find(e); at != std::string_view::npos) {
                out += kTo[at];
            } else if (e == 'u') {
                unsigned code = 0;
                if (!Hex4(code))
                    return false;
                out += code < 0x100 ? static_cast<char>(code) : '?';
            } else {
                return --pos_, Fail("bad escape");
            }
        }
        return Fail("string not closed");
    }

    bool Number(JsonValue& v) {
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        const auto digits = [&] {
            const size_t from = pos_;
            while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9')
                ++pos_;
            return pos_ > from;
        };
        if (!digits())
            return pos_ = start, Fail("value expected");
        if (pos_ < s_.size() && s_[pos_] == '.') {
            ++pos_;
            if (!digits())
                return Fail("digits expected");
        }
        if (pos_ < s_.size() && (s_[pos_] == 'e' || s_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-'))
                ++pos_;
            if (!digits())
                return Fail("exponent expected");
        }
        v.kind = JsonValue::Kind::Number;
        v.number = std::strtod(std::string(s_.substr(start, pos_ - start)).c_str(), nullptr);
        return true;
    }

    std::string_view s_;
    size_t pos_ = 0;
    std::string problem_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view name) const {
    if (kind != Kind::Object)
        return nullptr;
    for (const JsonMember& m : members) {
        if (m.name == name)
            return &m.value;
    }
    return nullptr;
}

bool ParseJson(std::string_view text, JsonValue& value, std::string& error) {
    value = JsonValue();
    return Parser(text).Document(value, error);
}

}  // namespace wiper
