// Processes: starting an external tool from a command line, waiting for it,
// its exit code, killing it, and splitting a command line the Windows way.
//
// A Process object is owned by the thread that started it; Kill may be called
// from another thread while that thread waits.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>
#ifndef _WIN32
#include <mutex>
#include <shared_mutex>
#endif

#include "platform/error_codes.h"
#include "platform/text.h"

namespace platform {

// Splits a command line into arguments as CommandLineToArgvW does for every
// argument after the program name: arguments are separated by blanks and tabs;
// double quotes group; 2n backslashes before a quote give n backslashes and the
// quote toggles quoting; 2n+1 give n backslashes and a literal quote; "" inside
// quotes gives a literal quote and ends the quoted part; other backslashes are
// literal. An unbalanced quote runs to the end of the line. Every token,
// including the first, is read with these rules (SplitProgram handles the
// program name).
std::vector<WString> SplitArguments(WStringView commandLine);

// Where CreateProcess also tries a program name with ".exe" appended.
#ifdef _WIN32
constexpr bool kTryExeSuffix = true;
#else
constexpr bool kTryExeSuffix = false;
#endif

// Finds the program of a command line as CreateProcess does. A quoted first
// token is the program (up to the closing quote, taken as written). An
// unquoted one is resolved by trying successively longer blank-separated
// prefixes ("C:\Program", "C:\Program Files\tool.exe", ...) until exists()
// accepts one; with tryExeSuffix a prefix whose file name has no extension is
// also accepted when exists(prefix + ".exe") does, and then program is that
// name. The rest of the line after the program becomes the arguments
// (SplitArguments). When no prefix is accepted, the first blank-separated word
// is the program. Leading blanks are skipped. Returns false when the line holds
// no program (blank, or an empty quoted name).
bool SplitProgram(WStringView commandLine, const std::function<bool(const WString&)>& exists,
                  WString& program, std::vector<WString>& arguments,
                  bool tryExeSuffix = kTryExeSuffix);

#ifndef _WIN32
// While a process starts, its child holds copies of all of this process's
// descriptors until it runs its program. Process::Start holds this lock
// shared meanwhile; a thread that closes a descriptor whose release another
// open waits for (an exclusive open of a disk, a file lock) closes it holding
// the lock, so that no child still holds a copy afterwards.
std::shared_mutex& DescriptorCopiesLock();
#endif

enum class WaitResult { Exited, TimedOut, Failed };

constexpr uint32_t kWaitForever = 0xFFFFFFFF;

class Process {
  public:
    Process() = default;
    // Closes handles; never kills a running process. A process that has ended
    // is reaped; on Linux one still running is reaped by a background waiter
    // when it ends, so no zombie is left either way.
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts commandLine with the inherited environment, in workingFolder (empty:
    // the current folder), with a hidden window on Windows. Returns 0, or a
    // Windows error number (2 program not found, 5 access denied, 267 working
    // folder missing, ...). An object whose previous process has ended starts
    // anew; one whose process still runs returns kErrorBusy.
    //
    // Linux: the program is found with SplitProgram (a name without '/' through
    // PATH, a relative path from the current folder, not the working folder) and
    // started in its own process group with default signal dispositions, an
    // empty signal mask, stdin on /dev/null (a background process group would be
    // stopped when reading the terminal) and no descriptors besides 0, 1 and 2.
    long Start(WStringView commandLine, WStringView workingFolder = {});
#ifndef _WIN32
    // Linux: what a start may add to the above.
    struct Extras {
        // A descriptor of the file to run in place of the program the line
        // names, which stays its argv[0]: it is started as /proc/self/fd/10,
        // and that descriptor stays open in it, so a script reads itself ($0).
        int image = -1;
        // The program's standard output; -1: this process's.
        int output = -1;
    };
    static constexpr int kImageDescriptor = 10;
    long Start(WStringView commandLine, WStringView workingFolder, const Extras& extras);
#endif

    // Waits until the process ends or timeoutMs passes (kWaitForever: no limit).
    // Failed when nothing was started or the end could not be observed.
    WaitResult Wait(uint32_t timeoutMs = kWaitForever);
    // Exit code of an ended process; false while it runs or was never started.
    // On Linux a process ended by a signal reports 128 + the signal number (a
    // killed one 137); on Windows a killed process reports 1.
    bool ExitCode(uint32_t& code) const;
    // Whether the ended process was ended by a signal (Linux); its ExitCode is
    // then 128 + the signal number. Always false on Windows.
    bool EndedBySignal() const;
    // Kills the process (Linux: its whole process group). True when it was
    // running and is now ending. Safe while another thread waits.
    bool Kill();
    bool IsStarted() const;

  private:
    void Release();
#ifdef _WIN32
    void* process_ = nullptr;  // HANDLE
#else
    enum class Reap { Running, Ended, Failed };
    Reap TryReap() const;
    Reap TryReapLocked() const;
    WaitResult WaitPidfd(uint32_t timeoutMs);
    WaitResult WaitPolling(uint32_t timeoutMs);

    int pid_ = -1;
    int pidfd_ = -1;
    // Guards reaping against Kill: a reaped pid may be reused by an unrelated
    // process, so Kill signals only while it is known not to be reaped.
    mutable std::mutex mutex_;
    mutable bool reaped_ = false;
    mutable int status_ = -1;  // wait status; -1 when the end was not observed
#endif
};

}  // namespace platform
