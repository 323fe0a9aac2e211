#include "updater/app/os_class.h"

namespace updater {

platform::WStringView OsClassLabel(OsClass osClass) {
    switch (osClass) {
        case OsClass::Win95:
            return u"95";
        case OsClass::Nt4:
            return u"NT4";
        case OsClass::Xp:
            return u"XP";
        case OsClass::XpAmd64:
            return u"XP_amd64";
        case OsClass::XpIa64:
            return u"XP_ia64";
        case OsClass::W10:
            return u"W10";
        case OsClass::W10Amd64:
            return u"W10_amd64";
        case OsClass::W10Ia64:
            return u"W10_ia64";
        case OsClass::Any:
        case OsClass::None:
            break;
    }
    return {};
}

namespace {

bool W10RuleHolds(const SystemVersion& v, bool manifestDeclaresW10) {
    if (manifestDeclaresW10)
        return v.major >= 10;
    if (v.major != 6)
        return v.major > 6;
    return v.minor > 2 || (v.minor == 2 && v.build >= 9200);
}

}  // namespace

OsClass ClassifySystem(const SystemVersion& v, bool manifestDeclaresW10) {
    if (v.platformId != kPlatformNt)
        return OsClass::Win95;
    if (v.major < 5 || (v.major == 5 && v.minor < 1))
        return OsClass::Nt4;
    // The classes of one family follow each other: other, x64, Itanium.
    const int family =
        static_cast<int>(W10RuleHolds(v, manifestDeclaresW10) ? OsClass::W10 : OsClass::Xp);
    if (v.processorType == kProcessorAmd64)
        return static_cast<OsClass>(family + 1);
    if (v.processorType == kProcessorIa64)
        return static_cast<OsClass>(family + 2);
    return static_cast<OsClass>(family);
}

OsClass RunningOsClass() {
    static const OsClass running = DetectRunningOsClass();
    return running;
}

}  // namespace updater
