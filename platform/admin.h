// Whether the program runs with administrative rights.
// Windows: the service control manager can be opened with full access.
// Linux: the effective user id is 0. Any thread may call it.
#pragma once

namespace platform {

bool IsAdministrator();

}  // namespace platform
