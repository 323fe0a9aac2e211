// Arbitrary UTF-16 text into the command-line splitters. Splitting never
// fails; what it yields can be quoted again and splits back to the same
// arguments; SplitProgram's program is always taken from the line itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/require.h"
#include "platform/process.h"

using qo::fuzz::Require;

namespace {

using platform::WString;
using platform::WStringView;

bool NeedsQuotes(const WString& arg) {
    return arg.empty() || arg.find_first_of(u" \t\"") != WString::npos;
}

// Quotes one argument so that the Windows rules read it back unchanged.
WString Quote(const WString& arg) {
    if (!NeedsQuotes(arg))
        return arg;
    WString out(1, u'"');
    size_t backslashes = 0;
    for (const char16_t c : arg) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        const size_t copies = c == u'"' ? backslashes * 2 + 1 : backslashes;
        out.append(copies, u'\\');
        out += c;
        backslashes = 0;
    }
    out.append(backslashes * 2, u'\\');  // before the closing quote
    out += u'"';
    return out;
}

void CheckArguments(WStringView line) {
    const std::vector<WString> args = platform::SplitArguments(line);
    size_t total = 0;
    for (const WString& arg : args)
        total += arg.size();
    Require(total <= line.size());
    Require(args.size() <= line.size());

    WString joined;
    for (const WString& arg : args) {
        if (!joined.empty())
            joined += u' ';
        joined += Quote(arg);
    }
    Require(platform::SplitArguments(joined) == args);
}

void CheckProgram(WStringView line, uint8_t policy) {
    const bool tryExe = (policy & 1) != 0;
    size_t asked = 0;
    const auto exists = [&](const WString& candidate) {
        ++asked;
        return candidate.size() % 4 == (policy >> 1) % 4;
    };
    WString program;
    std::vector<WString> args;
    const bool found = platform::SplitProgram(line, exists, program, args, tryExe);
    Require(found == !program.empty());
    const size_t start = line.find_first_not_of(u" \t");
    if (start == WStringView::npos) {
        Require(!found && asked == 0);
        return;
    }
    WStringView fromStart = line.substr(start);
    if (fromStart[0] == u'"') {
        Require(asked == 0);
        fromStart.remove_prefix(1);
    } else if (tryExe && !fromStart.starts_with(program) && program.size() >= 4) {
        program.resize(program.size() - 4);  // an accepted prefix with ".exe" added
    }
    Require(fromStart.starts_with(program));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t policy = data[0];
    WString line;
    for (size_t i = 1; i + 1 < size; i += 2) {
        line += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    CheckArguments(line);
    CheckProgram(line, policy);
    return 0;
}
