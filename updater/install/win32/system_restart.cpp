// The system restart on Windows: the shutdown privilege is enabled once per
// run (failures are silent), then the system is asked to restart.
#include <windows.h>

#include "updater/install/restart.h"

namespace updater {
namespace {

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool enabled =
        LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
        GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return enabled;
}

class WindowsRestart : public SystemRestart {
  public:
    bool RequestRestart(void*) override {
        if (!privilegeEnabled_)
            privilegeEnabled_ = EnableShutdownPrivilege();
        return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
    }

  private:
    bool privilegeEnabled_ = false;
};

}  // namespace

SystemRestart& SystemRestarter() {
    static WindowsRestart restart;
    return restart;
}

}  // namespace updater
