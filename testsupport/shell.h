// Test support on Linux: runs a shell command, so that tests can check our
// output with the real tools (cpio, bsdtar, sha512sum, ...). Any thread.
#pragma once

#ifndef _WIN32

#include <string>

#include "platform/text.h"

namespace qo::test {

// Runs command with sh; returns its exit status (-1 when it could not run or
// did not exit) and its standard output.
int RunShell(const std::string& command, std::string& output);

// Runs command with sh and returns what it wrote to standard output and
// standard error; when it fails, "exit N: " comes first, so that a comparison
// with the expected output shows the failure.
std::string Shell(const std::string& command);

// A path quoted for the shell.
std::string ShellPath(platform::WStringView path);

}  // namespace qo::test

#endif
