#include "platform/admin.h"

#include <unistd.h>

namespace platform {

bool IsAdministrator() {
    return geteuid() == 0;
}

}  // namespace platform
