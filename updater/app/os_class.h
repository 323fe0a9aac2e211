// The operating-system classes of the component folders: which Windows family
// and processor a component file is meant for, and the class of the running
// system, computed once per run.
//
// ClassifySystem is a pure function; RunningOsClass may be called from any
// thread (the first call computes the class, later calls return it).
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace updater {

enum class OsClass : int {
    // No Windows system: no class of the table is the running one (Linux).
    None = -1,
    Win95 = 0,     // Windows 9x family
    Nt4 = 1,       // NT before 5.1 (NT 4.0, 2000)
    Xp = 2,        // 5.1 up to the W10 rule, other processors
    XpAmd64 = 3,   // as Xp, x64
    XpIa64 = 4,    // as Xp, Itanium
    W10 = 5,       // the W10 rule holds, other processors
    W10Amd64 = 6,  // as W10, x64
    W10Ia64 = 7,   // as W10, Itanium
    Any = 8,       // meant for every system
};

// The label shown in the list's OS column: "95", "NT4", "XP", "XP_amd64",
// "XP_ia64", "W10", "W10_amd64", "W10_ia64"; empty for Any and None.
platform::WStringView OsClassLabel(OsClass osClass);

// Platform identifiers as the system version reports them.
constexpr uint32_t kPlatformWin32s = 0;
constexpr uint32_t kPlatformWindows = 1;  // the 9x family
constexpr uint32_t kPlatformNt = 2;

// Processor types of the native system information.
constexpr uint32_t kProcessorAmd64 = 8664;
constexpr uint32_t kProcessorIa64 = 2200;

struct SystemVersion {
    uint32_t platformId = kPlatformNt;
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t processorType = 0;
};

// The class of a Windows system. The W10 rule: when the program's manifest
// declares the Windows 10 supported-system identifier, version 10 and later;
// without it, 6.2 build 9200 and later and every version above 6.2 (the
// version such a program is told on Windows 8.1 and 10 is 6.2 build 9200).
OsClass ClassifySystem(const SystemVersion& version, bool manifestDeclaresW10);

// The running system's class, computed on the first call.
OsClass RunningOsClass();

// Computes the running system's class: Windows asks the system
// (win32/os_class_win32.cpp); Linux answers None (linux/os_class_linux.cpp).
OsClass DetectRunningOsClass();

}  // namespace updater
