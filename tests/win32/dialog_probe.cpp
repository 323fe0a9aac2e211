// Test driver for the Windows programs: starts a program, waits for its
// top-level window with the expected caption, checks control texts, presses a
// button and checks how the program ends.
//
// dialog_probe [--text ID=TEXT]... [--press ID] [--exit CODE] -- PROGRAM [ARGS]
// Exit code 0 when every expectation held; the reason is printed otherwise.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Options {
    std::wstring caption;
    std::vector<std::pair<int, std::wstring>> texts;
    int press = IDOK;
    DWORD exitCode = 0;
    std::wstring commandLine;
};

struct Search {
    DWORD pid;
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (*search->caption == text) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos)
        return arg;
    return L"\"" + arg + L"\"";
}

bool ParseOptions(int argc, wchar_t** argv, Options& o) {
    int i = 1;
    for (; i < argc && std::wcscmp(argv[i], L"--") != 0; ++i) {
        const std::wstring a = argv[i];
        if (i + 1 >= argc)
            return false;
        const std::wstring v = argv[++i];
        if (a == L"--caption") {
            o.caption = v;
        } else if (a == L"--press") {
            o.press = _wtoi(v.c_str());
        } else if (a == L"--exit") {
            o.exitCode = static_cast<DWORD>(_wtoi(v.c_str()));
        } else if (a == L"--text" && v.find(L'=') != std::wstring::npos) {
            const size_t eq = v.find(L'=');
            o.texts.emplace_back(_wtoi(v.substr(0, eq).c_str()), v.substr(eq + 1));
        } else {
            return false;
        }
    }
    for (++i; i < argc; ++i)
        o.commandLine += (o.commandLine.empty() ? L"" : L" ") + Quote(argv[i]);
    return !o.caption.empty() && !o.commandLine.empty();
}

int Fail(const char* what, const std::wstring& detail = L"") {
    std::printf("dialog_probe: %s %ls\n", what, detail.c_str());
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o))
        return Fail("usage: --caption TEXT [...] -- PROGRAM [ARGS]");
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring line = o.commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return Fail("cannot start", o.commandLine);
    }
    CloseHandle(pi.hThread);
    Search search{pi.dwProcessId, &o.caption, nullptr};
    for (int tries = 0; tries < 300 && !search.found; ++tries) {
        if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0)
            break;
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
    }
    int result = 0;
    if (!search.found) {
        result = Fail("no window with caption", o.caption);
        TerminateProcess(pi.hProcess, 99);
    } else {
        for (const auto& [id, want] : o.texts) {
            wchar_t text[512] = {};
            GetDlgItemTextW(search.found, id, text, 512);
            if (want != text) {
                std::printf("dialog_probe: control %d shows '%ls', expected '%ls'\n", id, text,
                            want.c_str());
                result = 1;
            }
        }
        PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(o.press, BN_CLICKED), 0);
    }
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        result = Fail("the program did not end after the button was pressed");
    } else if (GetExitCodeProcess(pi.hProcess, &code) && code != o.exitCode && result == 0) {
        std::printf("dialog_probe: exit code %lu, expected %lu\n", code, o.exitCode);
        result = 1;
    }
    CloseHandle(pi.hProcess);
    if (result == 0)
        std::printf("dialog_probe: '%ls' behaved as expected\n", o.caption.c_str());
    return result;
}
