// Test driver for the Windows programs: starts a program, answers the windows
// it shows in the expected order, checks control texts, refuses windows that
// must not appear and checks how the program ends.
//
// dialog_probe [--trust-root FILE.der] [--refuse ID:CAPTION]... [STEP]... [--exit CODE]
//              -- PROGRAM [ARGS]
// STEP: --caption TEXT [--text ID=TEXT]... [--contains ID=TEXT]... [--escape] [--press ID]
//
// A step waits for a visible top-level window of the program with the caption
// that holds every control whose text the step checks (so windows sharing a
// caption are told apart by their controls); other windows meanwhile are left alone.
// --text compares a control's whole text, --contains a part of it. --escape
// first sends the cancel command and the close box's command and expects the
// window to stay open. --press (default 1, OK) clicks a button; the next step
// starts once the window is gone. --refuse fails the run as soon as a window
// with that caption and control shows. --trust-root puts a root certificate
// in the machine's Root store while the program runs.
// Exit code 0 when every expectation held; the reason is printed otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "updater/verify/testing/trusted_root.h"

namespace {

// Polling interval and deadlines: generous, as a loaded machine under Wine
// may take seconds to show a window.
constexpr DWORD kPollMs = 50;
constexpr DWORD kWindowDeadlineMs = 60000;
constexpr DWORD kEndDeadlineMs = 60000;

struct Step {
    std::wstring caption;
    std::vector<std::pair<int, std::wstring>> texts;
    std::vector<std::pair<int, std::wstring>> contains;
    bool escape = false;
    int press = IDOK;
};

struct Refused {
    int control;
    std::wstring caption;
};

struct Options {
    std::vector<Step> steps;
    std::vector<Refused> refused;
    std::wstring trustRoot;
    DWORD exitCode = 0;
    std::wstring commandLine;
};

std::wstring Caption(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring ControlText(HWND window, int id) {
    wchar_t text[1024] = {};
    GetDlgItemTextW(window, id, text, 1024);
    return text;
}

// A window of the program matching a caption and holding the given controls.
struct Search {
    DWORD pid;
    const std::wstring* caption;
    std::vector<int> controls;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window) || Caption(window) != *search->caption)
        return TRUE;
    for (int id : search->controls) {
        if (GetDlgItem(window, id) == nullptr)
            return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindWindowWith(DWORD pid, const std::wstring& caption, std::vector<int> controls) {
    Search search{pid, &caption, std::move(controls), nullptr};
    EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<int> ControlsOf(const Step& step) {
    // The pressed command need not be a control of its own (a dialog handles
    // IDCANCEL without a Cancel button).
    std::vector<int> controls;
    for (const auto& text : step.texts)
        controls.push_back(text.first);
    for (const auto& text : step.contains)
        controls.push_back(text.first);
    return controls;
}

std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    return L"\"" + arg + L"\"";
}

bool ParseIdText(const std::wstring& value, wchar_t separator, std::pair<int, std::wstring>& out) {
    const size_t at = value.find(separator);
    if (at == std::wstring::npos)
        return false;
    out = {_wtoi(value.substr(0, at).c_str()), value.substr(at + 1)};
    return true;
}

bool ParseOption(const std::wstring& a, const std::wstring& v, Options& o) {
    std::pair<int, std::wstring> idText;
    if (a == L"--caption") {
        o.steps.push_back(Step{v, {}, {}, false, IDOK});
    } else if (a == L"--exit") {
        o.exitCode = static_cast<DWORD>(_wtoi(v.c_str()));
    } else if (a == L"--trust-root") {
        o.trustRoot = v;
    } else if (a == L"--refuse" && ParseIdText(v, L':', idText)) {
        o.refused.push_back(Refused{idText.first, idText.second});
    } else if (o.steps.empty()) {
        return false;
    } else if (a == L"--press") {
        o.steps.back().press = _wtoi(v.c_str());
    } else if (a == L"--text" && ParseIdText(v, L'=', idText)) {
        o.steps.back().texts.push_back(idText);
    } else if (a == L"--contains" && ParseIdText(v, L'=', idText)) {
        o.steps.back().contains.push_back(idText);
    } else {
        return false;
    }
    return true;
}

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
    int i = 1;
    for (; i < argc && std::wcscmp(argv[i], L"--") != 0; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--escape" && !o.steps.empty()) {
            o.steps.back().escape = true;
            continue;
        }
        if (i + 1 >= argc || !ParseOption(a, argv[++i], o))
            return false;
    }
    for (++i; i < argc; ++i)
        o.commandLine += (o.commandLine.empty() ? L"" : L" ") + Quote(argv[i]);
    // A run may expect no window at all, only refuse some.
    return (!o.steps.empty() || !o.refused.empty()) && !o.commandLine.empty();
}

int Fail(const char* what, const std::wstring& detail = L"") {
    std::printf("dialog_probe: %s %ls\n", what, detail.c_str());
    return 1;
}

// The running program and the checks made while it runs.
class Probe {
  public:
    Probe(const Options& options, const PROCESS_INFORMATION& process)
        : o_(options), process_(process.hProcess), pid_(process.dwProcessId) {}

    // Waits up to deadlineMs for a window of the step; null when the program
    // ended, a refused window showed or the time ran out (reason printed).
    HWND WaitForWindow(const Step& step) {
        const std::vector<int> controls = ControlsOf(step);
        for (DWORD waited = 0; waited < kWindowDeadlineMs; waited += kPollMs) {
            if (RefusedWindowShows())
                return nullptr;
            if (HWND window = FindWindowWith(pid_, step.caption, controls))
                return window;
            if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) {
                Fail("the program ended before showing", step.caption);
                return nullptr;
            }
        }
        Fail("no window with caption", step.caption);
        return nullptr;
    }

    // The step's checks on its window, then its button.
    bool Answer(const Step& step, HWND window) {
        bool ok = true;
        for (const auto& [id, want] : step.texts) {
            if (ControlText(window, id) != want) {
                std::printf("dialog_probe: control %d shows '%ls', expected '%ls'\n", id,
                            ControlText(window, id).c_str(), want.c_str());
                ok = false;
            }
        }
        for (const auto& [id, part] : step.contains) {
            if (ControlText(window, id).find(part) == std::wstring::npos) {
                std::printf("dialog_probe: control %d shows '%ls', expected it to contain '%ls'\n",
                            id, ControlText(window, id).c_str(), part.c_str());
                ok = false;
            }
        }
        if (step.escape && !StaysOpenOnCancel(window))
            return false;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(step.press, BN_CLICKED), 0);
        return WaitUntilGone(window) && ok;
    }

    // Waits for the end, still refusing windows; the exit code check.
    bool CheckEnd() {
        DWORD waited = 0;
        while (WaitForSingleObject(process_, kPollMs) != WAIT_OBJECT_0) {
            if (RefusedWindowShows())
                return false;
            waited += kPollMs;
            if (waited >= kEndDeadlineMs) {
                Fail("the program did not end after its last window");
                return false;
            }
        }
        DWORD code = 0;
        if (GetExitCodeProcess(process_, &code) && code != o_.exitCode) {
            std::printf("dialog_probe: exit code %lu, expected %lu\n", code, o_.exitCode);
            return false;
        }
        return true;
    }

  private:
    bool RefusedWindowShows() {
        for (const Refused& refused : o_.refused) {
            if (FindWindowWith(pid_, refused.caption, {refused.control}) != nullptr) {
                std::printf("dialog_probe: a window '%ls' with control %d showed\n",
                            refused.caption.c_str(), refused.control);
                return true;
            }
        }
        return false;
    }

    // Escape and the close box both reach a dialog as the cancel command; the
    // command is sent (not posted) so the window's answer is known on return.
    static bool StaysOpenOnCancel(HWND window) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            Fail("the window closed on the cancel command:", Caption(window));
            return false;
        }
        return true;
    }

    bool WaitUntilGone(HWND window) {
        for (DWORD waited = 0; waited < kWindowDeadlineMs; waited += kPollMs) {
            if (!IsWindow(window) || !IsWindowVisible(window))
                return true;
            if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0)
                return true;
        }
        Fail("the window stayed open after its button:", Caption(window));
        return false;
    }

    const Options& o_;
    HANDLE process_;
    DWORD pid_;
};

std::unique_ptr<updater::testing::TrustedRoot> TrustRoot(const std::wstring& path) {
    std::string der;
    if (FILE* file = _wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
            der.append(buffer, n);
        std::fclose(file);
    }
    return std::make_unique<updater::testing::TrustedRoot>(der);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o))
        return Fail("usage: STEP... [--exit CODE] -- PROGRAM [ARGS] (see the source)");
    std::unique_ptr<updater::testing::TrustedRoot> root;
    if (!o.trustRoot.empty()) {
        root = TrustRoot(o.trustRoot);
        if (!root->Added())
            return Fail("cannot trust the root certificate", o.trustRoot);
    }
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line = o.commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return Fail("cannot start", o.commandLine);
    }
    CloseHandle(pi.hThread);
    Probe probe(o, pi);
    bool ok = true;
    for (const Step& step : o.steps) {
        HWND window = probe.WaitForWindow(step);
        ok = window != nullptr && probe.Answer(step, window);
        if (!ok)
            break;
    }
    ok = ok && probe.CheckEnd();
    if (!ok && WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, kEndDeadlineMs);
    }
    CloseHandle(pi.hProcess);
    if (!ok)
        return 1;
    std::printf("dialog_probe: %zu window(s) behaved as expected\n", o.steps.size());
    return 0;
}
