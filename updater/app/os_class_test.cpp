#include "updater/app/os_class.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

// The class of each Windows generation, with and without the Windows 10
// declaration in the program's manifest.
TEST(OsClass, EachSystemGetsItsClass) {
    struct Case {
        const char* system;
        SystemVersion version;
        bool manifestW10;
        OsClass expected;
        platform::WStringView label;
    };
    const Case cases[] = {
        {"95", {kPlatformWindows, 4, 0, 950, 586}, false, OsClass::Win95, u"95"},
        {"98", {kPlatformWindows, 4, 10, 1998, 586}, true, OsClass::Win95, u"95"},
        {"NT 4.0", {kPlatformNt, 4, 0, 1381, 586}, false, OsClass::Nt4, u"NT4"},
        {"2000", {kPlatformNt, 5, 0, 2195, 586}, false, OsClass::Nt4, u"NT4"},
        {"XP x86", {kPlatformNt, 5, 1, 2600, 586}, false, OsClass::Xp, u"XP"},
        {"XP x64",
         {kPlatformNt, 5, 2, 3790, kProcessorAmd64},
         false,
         OsClass::XpAmd64,
         u"XP_amd64"},
        {"XP Itanium",
         {kPlatformNt, 5, 2, 3790, kProcessorIa64},
         false,
         OsClass::XpIa64,
         u"XP_ia64"},
        {"Vista", {kPlatformNt, 6, 0, 6002, 586}, false, OsClass::Xp, u"XP"},
        {"7 x64", {kPlatformNt, 6, 1, 7601, kProcessorAmd64}, false, OsClass::XpAmd64, u"XP_amd64"},
        {"8 preview", {kPlatformNt, 6, 2, 8400, 586}, false, OsClass::Xp, u"XP"},
        {"6.2.9200", {kPlatformNt, 6, 2, 9200, 586}, false, OsClass::W10, u"W10"},
        {"6.2.9200 declared", {kPlatformNt, 6, 2, 9200, 586}, true, OsClass::Xp, u"XP"},
        {"8.1 x64",
         {kPlatformNt, 6, 3, 9600, kProcessorAmd64},
         false,
         OsClass::W10Amd64,
         u"W10_amd64"},
        {"8.1 declared",
         {kPlatformNt, 6, 3, 9600, kProcessorAmd64},
         true,
         OsClass::XpAmd64,
         u"XP_amd64"},
        {"10 x86", {kPlatformNt, 10, 0, 19045, 586}, false, OsClass::W10, u"W10"},
        {"10 x64 declared",
         {kPlatformNt, 10, 0, 19045, kProcessorAmd64},
         true,
         OsClass::W10Amd64,
         u"W10_amd64"},
        {"10 Itanium",
         {kPlatformNt, 10, 0, 10240, kProcessorIa64},
         false,
         OsClass::W10Ia64,
         u"W10_ia64"},
    };
    for (const Case& c : cases) {
        const OsClass got = ClassifySystem(c.version, c.manifestW10);
        EXPECT_EQ(got, c.expected) << c.system;
        EXPECT_EQ(OsClassLabel(got), c.label) << c.system;
    }
    EXPECT_EQ(OsClassLabel(OsClass::Any), u"");
    EXPECT_EQ(OsClassLabel(OsClass::None), u"");
}

// Linux is none of the Windows classes; a 64-bit Windows program runs on an
// x64 system whatever version the system tells.
TEST(OsClass, RunningSystemIsClassifiedOnce) {
    const OsClass running = RunningOsClass();
    EXPECT_EQ(RunningOsClass(), running);
#ifdef _WIN32
    if (sizeof(void*) == 8)
        EXPECT_TRUE(running == OsClass::XpAmd64 || running == OsClass::W10Amd64) << int(running);
    else
        EXPECT_NE(running, OsClass::None);
#else
    EXPECT_EQ(running, OsClass::None);
#endif
}

}  // namespace
}  // namespace updater
