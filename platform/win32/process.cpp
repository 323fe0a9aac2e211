#include "platform/process.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace platform {
namespace {

bool ContainsNul(WStringView text) {
    return text.find(u'\0') != WStringView::npos;
}

bool IsBlankLine(WStringView text) {
    return text.find_first_not_of(u" \t") == WStringView::npos;
}

bool HasEnded(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

}  // namespace

Process::~Process() {
    Release();
}

Process::Process(Process&& other) noexcept : process_(other.process_) {
    other.process_ = nullptr;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Release();
        process_ = other.process_;
        other.process_ = nullptr;
    }
    return *this;
}

// Closing the handle neither kills the process nor leaves anything behind.
void Process::Release() {
    if (process_ != nullptr)
        CloseHandle(process_);
    process_ = nullptr;
}

bool Process::IsStarted() const {
    return process_ != nullptr;
}

long Process::Start(WStringView commandLine, WStringView workingFolder) {
    // A NUL would silently cut the line and run a different command.
    if (ContainsNul(commandLine) || ContainsNul(workingFolder) || IsBlankLine(commandLine)) {
        return kErrorInvalidParameter;
    }
    if (IsStarted()) {
        if (!HasEnded(process_))
            return kErrorBusy;
        Release();
    }
    // CreateProcessW may write into the command line, so it gets a private copy.
    WString line(commandLine);
    const WString folder(workingFolder);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, Wide(line.data()), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : Wide(folder), &startup, &info)) {
        return static_cast<long>(GetLastError());
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    return 0;
}

WaitResult Process::Wait(uint32_t timeoutMs) {
    if (!IsStarted())
        return WaitResult::Failed;
    switch (WaitForSingleObject(process_, timeoutMs)) {
        case WAIT_OBJECT_0:
            return WaitResult::Exited;
        case WAIT_TIMEOUT:
            return WaitResult::TimedOut;
        default:
            return WaitResult::Failed;
    }
}

bool Process::ExitCode(uint32_t& code) const {
    // Checked by the handle's state, since a process may itself exit with 259 (STILL_ACTIVE).
    if (!IsStarted() || !HasEnded(process_))
        return false;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process_, &exitCode))
        return false;
    code = exitCode;
    return true;
}

bool Process::EndedBySignal() const {
    return false;
}

bool Process::Kill() {
    if (!IsStarted() || HasEnded(process_))
        return false;
    return TerminateProcess(process_, 1) != FALSE;
}

}  // namespace platform
