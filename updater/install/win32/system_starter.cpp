// Starting the installer on Windows: CreateProcess with administrative
// rights, otherwise ShellExecuteEx with the verb "runas" (the consent prompt).
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/admin.h"
#include "platform/registry.h"
#include "updater/install/installer.h"
#include "updater/install/launch.h"

namespace updater {
namespace {

class WindowsProcess : public StartedProcess {
  public:
    explicit WindowsProcess(HANDLE process) : process_(process) {}
    ~WindowsProcess() override { CloseHandle(process_); }
    WindowsProcess(const WindowsProcess&) = delete;
    WindowsProcess& operator=(const WindowsProcess&) = delete;

    ExitStatus WaitForExit() override {
        ExitStatus status;
        DWORD code = 0;
        if (WaitForSingleObject(process_, INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeProcess(process_, &code)) {
            return status;
        }
        status.kind = ExitStatus::Kind::Exited;
        status.code = code;
        return status;
    }

  private:
    HANDLE process_;
};

const wchar_t* Wide(const platform::WString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

class WindowsStarter : public ProcessStarter {
  public:
    bool IsAdministrator() override {
        static const bool administrator = platform::IsAdministrator();
        return administrator;
    }
    // "EnableLUA" = 1; a failed read counts as not enabled.
    bool ConsentPromptEnabled() override {
        static const bool enabled = [] {
            platform::RegistryKey key;
            uint32_t value = 0;
            return key.Open(platform::Hive::LocalMachine,
                            u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                            platform::kKeyQueryValue) == 0 &&
                   key.QueryDword(u"EnableLUA", value) == 0 && value == 1;
        }();
        return enabled;
    }
    // The held image needs no part here: nobody can change the file while it is held.
    long StartDirect(platform::WStringView commandLine, bool hidden, platform::WStringView folder,
                     const HeldFile*, std::unique_ptr<StartedProcess>& process) override {
        platform::WString line(commandLine);
        const platform::WString where(folder);
        if (line.find(u'\0') != platform::WString::npos ||
            where.find(u'\0') != platform::WString::npos) {
            return ERROR_INVALID_PARAMETER;
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = hidden ? SW_HIDE : SW_SHOW;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, const_cast<wchar_t*>(Wide(line)), nullptr, nullptr, FALSE,
                            CREATE_SHARED_WOW_VDM, nullptr, where.empty() ? nullptr : Wide(where),
                            &startup, &info)) {
            return static_cast<long>(GetLastError());
        }
        CloseHandle(info.hThread);
        process = std::make_unique<WindowsProcess>(info.hProcess);
        return 0;
    }
    long StartElevated(platform::WStringView program, platform::WStringView parameters, void* owner,
                       std::unique_ptr<StartedProcess>& process) override {
        const platform::WString file(program);
        const platform::WString arguments(parameters);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.hwnd = IsWindow(static_cast<HWND>(owner)) ? static_cast<HWND>(owner) : nullptr;
        info.lpVerb = L"runas";
        info.lpFile = Wide(file);
        info.lpParameters = arguments.empty() ? nullptr : Wide(arguments);
        info.nShow = SW_SHOWNORMAL;
        const BOOL ok = ShellExecuteExW(&info);
        const DWORD error = GetLastError();
        if (!ok || reinterpret_cast<INT_PTR>(info.hInstApp) <= 32) {
            if (info.hProcess != nullptr)
                CloseHandle(info.hProcess);
            return error != 0 ? static_cast<long>(error) : ERROR_ACCESS_DENIED;
        }
        if (info.hProcess == nullptr)
            return 0;  // started, yet nothing to wait for
        process = std::make_unique<WindowsProcess>(info.hProcess);
        return 0;
    }
};

}  // namespace

ProcessStarter& SystemProcessStarter() {
    static WindowsStarter starter;
    return starter;
}

bool MakeInstallerExecutable(platform::WStringView) {
    return true;
}

}  // namespace updater
