#include "platform/process.h"

namespace platform {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

size_t SkipBlanks(WStringView text, size_t i) {
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i;
}

size_t FindBlank(WStringView text, size_t i) {
    while (i < text.size() && !IsBlank(text[i]))
        ++i;
    return i;
}

// Reads a run of backslashes at text[i]. Before a quote, pairs become single
// backslashes and an odd one escapes the quote; elsewhere they are literal.
size_t ReadBackslashes(WStringView text, size_t i, WString& arg) {
    size_t j = i;
    while (j < text.size() && text[j] == u'\\')
        ++j;
    const size_t count = j - i;
    if (j < text.size() && text[j] == u'"') {
        arg.append(count / 2, u'\\');
        if (count % 2 == 1) {
            arg += u'"';
            return j + 1;
        }
        return j;  // the quote itself is read next
    }
    arg.append(count, u'\\');
    return j;
}

// Reads one argument starting at a non-blank text[i]; returns the index after it.
size_t ReadArgument(WStringView text, size_t i, WString& arg) {
    bool quoted = false;
    while (i < text.size()) {
        const char16_t c = text[i];
        if (!quoted && IsBlank(c))
            break;
        if (c == u'\\') {
            i = ReadBackslashes(text, i, arg);
        } else if (c == u'"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
                // "" inside quotes: a literal quote, and the quoted part ends.
                arg += u'"';
                quoted = false;
                i += 2;
            } else {
                quoted = !quoted;
                ++i;
            }
        } else {
            arg += c;
            ++i;
        }
    }
    return i;
}

bool HasExtension(const WString& path) {
    const size_t nameStart = path.find_last_of(u"\\/");
    const size_t dot = path.rfind(u'.');
    return dot != WString::npos && (nameStart == WString::npos || dot > nameStart);
}

// Accepts candidate (or candidate.exe) as the program; sets program on success.
bool Accept(const WString& candidate, const std::function<bool(const WString&)>& exists,
            bool tryExeSuffix, WString& program) {
    if (exists(candidate)) {
        program = candidate;
        return true;
    }
    if (tryExeSuffix && !HasExtension(candidate)) {
        WString withExe = candidate + u".exe";
        if (exists(withExe)) {
            program = std::move(withExe);
            return true;
        }
    }
    return false;
}

// Unquoted program: tries each prefix that ends before a blank, then the whole
// line; returns where the program ends.
size_t FindUnquotedProgram(WStringView line, size_t start,
                           const std::function<bool(const WString&)>& exists, bool tryExeSuffix,
                           WString& program) {
    const size_t firstEnd = FindBlank(line, start);
    size_t end = firstEnd;
    while (true) {
        if (Accept(WString(line.substr(start, end - start)), exists, tryExeSuffix, program)) {
            return end;
        }
        const size_t next = SkipBlanks(line, end);
        if (next >= line.size())
            break;
        end = FindBlank(line, next);
    }
    program = WString(line.substr(start, firstEnd - start));
    return firstEnd;
}

}  // namespace

std::vector<WString> SplitArguments(WStringView commandLine) {
    std::vector<WString> arguments;
    size_t i = SkipBlanks(commandLine, 0);
    while (i < commandLine.size()) {
        WString arg;
        i = ReadArgument(commandLine, i, arg);
        arguments.push_back(std::move(arg));
        i = SkipBlanks(commandLine, i);
    }
    return arguments;
}

bool SplitProgram(WStringView commandLine, const std::function<bool(const WString&)>& exists,
                  WString& program, std::vector<WString>& arguments, bool tryExeSuffix) {
    program.clear();
    arguments.clear();
    const size_t start = SkipBlanks(commandLine, 0);
    if (start >= commandLine.size())
        return false;
    size_t restStart;
    if (commandLine[start] == u'"') {
        const size_t close = commandLine.find(u'"', start + 1);
        const size_t end = close == WStringView::npos ? commandLine.size() : close;
        program = WString(commandLine.substr(start + 1, end - start - 1));
        restStart = close == WStringView::npos ? commandLine.size() : close + 1;
    } else {
        restStart = FindUnquotedProgram(commandLine, start, exists, tryExeSuffix, program);
    }
    arguments = SplitArguments(commandLine.substr(restStart));
    return !program.empty();
}

}  // namespace platform
