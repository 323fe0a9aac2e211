#include "updater/support/formatter.h"

#include <algorithm>
#include <vector>

#include "updater/support/format_conversions.h"
#include "updater/support/format_directive.h"

namespace updater {
namespace {

using platform::WString;
using platform::WStringView;

// The output buffer: pieces are appended while they fit; the first piece
// that does not is cut, and from then on the output is full.
class Output {
  public:
    Output(char16_t* buffer, size_t capacity) : buffer_(buffer), room_(capacity - 1) {}

    bool full() const { return full_; }
    void Append(WStringView piece) {
        const size_t n = std::min(piece.size(), room_ - length_);
        std::copy_n(piece.data(), n, buffer_ + length_);
        length_ += n;
        if (n < piece.size())
            full_ = true;
    }
    void Stop() { full_ = true; }
    void Terminate() { buffer_[length_] = 0; }

  private:
    char16_t* buffer_;
    size_t room_;
    size_t length_ = 0;
    bool full_ = false;
};

struct FormatRun {
    WStringView pattern;
    Output& out;
    format::ArgumentList args;
    bool positionalSeen = false;
};

// A positional placeholder "%N" whose digits end at numberEnd.
size_t Placeholder(FormatRun& run, int number, size_t numberEnd) {
    run.positionalSeen = true;
    if (number == 0) {
        run.out.Stop();
        return numberEnd;
    }
    run.out.Append(format::ArgumentText(run.args.Positional(size_t(number)), u"<Null>"));
    return numberEnd;
}

// Whether the number ending at pos is a width: a conversion letter follows,
// after an optional precision (".digits") and size modifier. "%1." and
// "%1.0" stay placeholders followed by text.
bool WidthFollows(WStringView p, size_t pos) {
    if (pos < p.size() && p[pos] == u'.') {
        int ignored = 0;
        const size_t precisionEnd = format::ReadNumber(p, pos + 1, ignored);
        if (precisionEnd == pos + 1)
            return false;
        pos = precisionEnd;
    }
    format::ArgSize size{};
    pos = format::SkipSizeModifier(p, pos, size);
    return pos < p.size() && format::IsConversionLetter(p[pos]);
}

// Handles the conversion after the "%" at percent; returns where the
// pattern continues.
size_t Specification(FormatRun& run, size_t percent) {
    const WStringView p = run.pattern;
    const size_t start = percent + 1;
    if (start >= p.size()) {
        run.out.Append(u"%");
        return start;
    }
    if (p[start] == u'%') {
        run.out.Append(u"%");
        return start + 1;
    }
    // "%N" or "%-N": a width, or a positional placeholder when no conversion
    // letter follows (after an optional size modifier) or a placeholder came before.
    const size_t digits = p[start] == u'-' ? start + 1 : start;
    int number = 0;
    const size_t numberEnd = format::ReadNumber(p, digits, number);
    if (numberEnd > digits && (run.positionalSeen || !WidthFollows(p, numberEnd)))
        return Placeholder(run, number, numberEnd);
    format::ConversionSpec spec;
    if (!format::ReadConversion(p, start, spec)) {
        run.out.Append(p.substr(percent, 2));
        return start + 1;
    }
    run.out.Append(format::Convert(spec, p.substr(percent, spec.end - percent), run.args));
    return spec.end;
}

}  // namespace

char16_t* FormatArgs(char16_t* out, size_t capacity, WStringView pattern,
                     std::span<const FormatArg> args) {
    if (!out || capacity == 0)
        return out;
    Output output(out, capacity);
    FormatRun run{pattern, output, format::ArgumentList(args)};
    size_t pos = 0;
    while (pos < pattern.size() && !output.full()) {
        const size_t percent = std::min(pattern.find(u'%', pos), pattern.size());
        output.Append(pattern.substr(pos, percent - pos));
        pos = percent;
        if (pos < pattern.size() && !output.full())
            pos = Specification(run, pos);
    }
    output.Terminate();
    return out;
}

WString FormatArgsToString(size_t capacity, WStringView pattern, std::span<const FormatArg> args) {
    if (capacity == 0)
        return {};
    std::vector<char16_t> buffer(capacity);
    FormatArgs(buffer.data(), capacity, pattern, args);
    return WString(buffer.data());
}

}  // namespace updater
