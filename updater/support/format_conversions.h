// The conversions of the formatter: the arguments of one call with the list of
// consumed string arguments that positional placeholders index, and the text
// each conversion gives. Internal to the formatter; used by one call at a time.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "platform/text.h"
#include "updater/support/format_arg.h"
#include "updater/support/format_directive.h"

namespace updater::format {

class ArgumentList {
  public:
    explicit ArgumentList(std::span<const FormatArg> args) : args_(args) {}

    // The next argument of the call, null when all are used.
    const FormatArg* Next();
    // Appends an argument to the list of consumed string arguments.
    void Remember(const FormatArg* arg) { consumed_.push_back(arg); }
    // The n-th (from 1) consumed string argument; arguments of the call are
    // taken in order until there are n. Null when the call has too few.
    const FormatArg* Positional(size_t n);

  private:
    std::span<const FormatArg> args_;
    size_t next_ = 0;
    std::vector<const FormatArg*> consumed_;
};

// An argument as plain text: strings as they are (nullText for a null string
// or a missing argument), integers in decimal, floating numbers as "%g",
// pointers as "%p" shows them.
platform::WString ArgumentText(const FormatArg* arg, platform::WStringView nullText);

// The text of one conversion; specText is the conversion as written
// ("%" up to the letter), shown when the argument cannot be converted.
platform::WString Convert(const ConversionSpec& spec, platform::WStringView specText,
                          ArgumentList& args);

}  // namespace updater::format
