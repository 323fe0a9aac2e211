#include "updater/app/component_folders.h"

#include <gtest/gtest.h>

namespace updater {
namespace {

// Every folder of the table shows without its class suffix and carries its
// class's label.
TEST(ComponentFolders, EveryRowShowsItsFolder) {
    const platform::WStringView shown[ComponentFolderTable.size()] = {
        u"drivers",       u"drivers", u"drivers",       u"drivers",       u"drivers",
        u"drivers",       u"drivers", u"drivers",       u"drivers",       u"drivers",
        u"drivers",       u"drivers", u"Program Files", u"Program Files", u"Program Files",
        u"Program Files", u"System",  u"System",        u"System",        u"Shared",
        u"Shared",        u"Shared"};
    for (size_t i = 0; i < ComponentFolderTable.size(); ++i) {
        platform::WString folder(ComponentFolderTable[i].folder);
        const FolderClass found = LookUpFolderClass(folder, OsClass::Xp);
        EXPECT_EQ(folder, shown[i]) << i;
        EXPECT_EQ(found.label, OsClassLabel(ComponentFolderTable[i].osClass)) << i;
    }
}

TEST(ComponentFolders, LookUpByRunningClass) {
    struct Case {
        OsClass running;
        platform::WStringView folder;
        platform::WStringView shown;
        platform::WStringView label;
        bool meant;
    };
    const Case cases[] = {
        // 64-bit Windows 10.
        {OsClass::W10Amd64, u"drivers_2\\DriversXP_amd64", u"drivers", u"W10_amd64", true},
        {OsClass::W10Amd64, u"drivers_1\\DriversXP_amd64", u"drivers", u"XP_amd64", false},
        {OsClass::W10Amd64, u"Program Files", u"Program Files", u"", true},
        {OsClass::W10Amd64, u"Shared\\i386", u"Shared", u"", true},
        {OsClass::W10Amd64, u"Shared\\amd64", u"Shared", u"XP_amd64", false},
        {OsClass::W10Amd64, u"Tools\\Extra", u"Tools\\Extra", u"", true},
        {OsClass::W10Amd64, u"", u"", u"", true},
        // Case does not matter; the folder keeps its own case.
        {OsClass::W10Amd64, u"DRIVERS_2\\driversxp_AMD64", u"DRIVERS", u"W10_amd64", true},
        {OsClass::Xp, u"program files xp", u"program files", u"XP", true},
        // Near misses are folders outside the table.
        {OsClass::Xp, u"drivers_1\\", u"drivers_1\\", u"", true},
        {OsClass::Xp, u" System", u" System", u"", true},
        {OsClass::Xp, u"drivers_1/Drivers2000", u"drivers_1/Drivers2000", u"", true},
        // Other systems.
        {OsClass::Win95, u"drivers_1\\Drivers95", u"drivers", u"95", true},
        {OsClass::Nt4, u"drivers_2\\Drivers", u"drivers", u"NT4", true},
        {OsClass::W10, u"drivers_2\\Drivers2000", u"drivers", u"W10", true},
        {OsClass::XpIa64, u"SystemXP_ia64", u"System", u"XP_ia64", true},
        // Linux: only the folders for every system and those outside the table.
        {OsClass::None, u"drivers_2", u"drivers", u"W10", false},
        {OsClass::None, u"System", u"System", u"XP", false},
        {OsClass::None, u"Shared\\i386", u"Shared", u"", true},
        {OsClass::None, u"share", u"share", u"", true},
    };
    for (const Case& c : cases) {
        platform::WString folder(c.folder);
        const FolderClass found = LookUpFolderClass(folder, c.running);
        const std::string name = platform::ToUtf8(c.folder);
        EXPECT_EQ(folder, c.shown) << name;
        EXPECT_EQ(found.label, c.label) << name;
        EXPECT_EQ(found.meantForThisSystem, c.meant) << name;
    }
}

}  // namespace
}  // namespace updater
