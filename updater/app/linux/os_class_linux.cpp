// Linux runs none of the Windows systems of the component table: only the
// components meant for every system (and those outside the table) are its own.
#include "updater/app/os_class.h"

namespace updater {

OsClass DetectRunningOsClass() {
    return OsClass::None;
}

}  // namespace updater
