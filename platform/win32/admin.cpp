#include "platform/admin.h"

#include <windows.h>

namespace platform {

bool IsAdministrator() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return false;
    CloseServiceHandle(manager);
    return true;
}

}  // namespace platform
