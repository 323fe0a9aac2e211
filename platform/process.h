// Processes: starting an external tool from a command line, waiting for it,
// its exit code, killing it, and splitting a command line the Windows way.
//
// A Process object is owned by the thread that started it; Kill may be called
// from another thread while that thread waits.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/text.h"

namespace platform {

// Splits a command line as Windows programs do: arguments are separated by
// blanks and tabs; double quotes group; 2n backslashes before a quote give n
// backslashes and the quote toggles quoting; 2n+1 give n backslashes and a
// literal quote; "" inside quotes gives a literal quote; other backslashes are
// literal. An unbalanced quote runs to the end of the line.
std::vector<WString> SplitArguments(WStringView commandLine);

// Finds the program of a command line as CreateProcess does. A quoted first
// token is the program. An unquoted one that contains blanks is resolved by
// trying successively longer blank-separated prefixes ("C:\Program",
// "C:\Program Files\tool.exe", ...) until exists() accepts one; the rest of
// the line becomes the arguments. When no prefix is accepted, the first
// blank-separated word is the program. Returns false for an empty line.
bool SplitProgram(WStringView commandLine, const std::function<bool(const WString&)>& exists,
                  WString& program, std::vector<WString>& arguments);

enum class WaitResult { Exited, TimedOut, Failed };

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

class Process {
public:
    Process() = default;
    ~Process();  // closes handles; does not kill a running process
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts commandLine with the inherited environment, in workingFolder (empty:
    // the current folder), with a hidden window on Windows. Returns 0, or a
    // Windows error number (2 program not found, 5 access denied, ...).
    long Start(WStringView commandLine, WStringView workingFolder = {});

    // Waits until the process ends or timeoutMs passes (kWaitForever: no limit).
    WaitResult Wait(uint32_t timeoutMs = kWaitForever);
    // Exit code of an ended process; false while it runs or was never started.
    bool ExitCode(uint32_t& code) const;
    // Kills the process (and, on Linux, its process group). True when it was
    // running and is now ending.
    bool Kill();
    bool IsStarted() const;

private:
#ifdef _WIN32
    void* process_ = nullptr;  // HANDLE
    void* thread_ = nullptr;
#else
    int pid_ = -1;
    int pidfd_ = -1;
    bool reaped_ = false;
    int status_ = 0;
#endif
};

}  // namespace platform
