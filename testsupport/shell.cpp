#include "testsupport/shell.h"

#ifndef _WIN32

#include <sys/wait.h>

#include <cstdio>

namespace qo::test {

int RunShell(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, n);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Shell(const std::string& command) {
    std::string output;
    const int status = RunShell(command + " 2>&1", output);
    return status == 0 ? output : "exit " + std::to_string(status) + ": " + output;
}

std::string ShellPath(platform::WStringView path) {
    std::string quoted = "'";
    for (char c : platform::ToUtf8(path))
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace qo::test

#endif
