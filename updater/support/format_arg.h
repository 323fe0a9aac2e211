// One argument of the formatter (formatter.h): an integer, a floating number,
// a UTF-16 string (possibly null) or a pointer, carried with its kind so that
// every conversion can check what it was given.
//
// A FormatArg only refers to the text it was made from; it is meant to live
// for one Format call, as a temporary of the call. Any thread may use it.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/text.h"

namespace updater {

class FormatArg {
  public:
    enum class Kind { Integer, Real, String, Pointer };

    // Integers of any width; signed values are sign-extended, unsigned ones
    // zero-extended, so a conversion may take 4 or 8 bytes of either.
    template <std::integral T>
    FormatArg(T value) : kind_(Kind::Integer), signed_(std::is_signed_v<T>) {
        integer_ = static_cast<int64_t>(value);
    }
    template <std::floating_point T>
    FormatArg(T value) : kind_(Kind::Real), real_(static_cast<double>(value)) {}

    // Strings: a null pointer is a null string ("NULL", "<Null>").
    FormatArg(const char16_t* text) : kind_(Kind::String), text_(text) {
        length_ = text ? std::char_traits<char16_t>::length(text) : 0;
    }
    FormatArg(std::nullptr_t) : kind_(Kind::String) {}
    FormatArg(platform::WStringView text)
        : kind_(Kind::String), text_(text.data() ? text.data() : u""), length_(text.size()) {}
    FormatArg(const platform::WString& text)
        : kind_(Kind::String), text_(text.c_str()), length_(text.size()) {}
    // Narrow text has no place in a UTF-16 pattern: refused at compile time.
    FormatArg(const char*) = delete;

    // Any other pointer, shown by "%p".
    template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char16_t> &&
             !std::is_same_v<std::remove_cv_t<T>, char>) FormatArg(T* pointer)
        : kind_(Kind::Pointer), pointer_(pointer) {}

    Kind kind() const { return kind_; }
    bool isSigned() const { return signed_; }
    int64_t integer() const { return integer_; }
    double real() const { return real_; }
    bool isNullString() const { return kind_ == Kind::String && text_ == nullptr; }
    platform::WStringView text() const { return {text_ ? text_ : u"", length_}; }
    const void* pointer() const { return kind_ == Kind::String ? text_ : pointer_; }

  private:
    Kind kind_;
    bool signed_ = true;
    int64_t integer_ = 0;
    double real_ = 0;
    const char16_t* text_ = nullptr;
    size_t length_ = 0;
    const void* pointer_ = nullptr;
};

}  // namespace updater
