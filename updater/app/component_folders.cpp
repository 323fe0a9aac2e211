#include "updater/app/component_folders.h"

namespace updater {

const std::array<ComponentFolder, 22> ComponentFolderTable = {{
    {OsClass::Xp, u"drivers_1", 2},
    {OsClass::W10, u"drivers_2", 2},
    {OsClass::Win95, u"drivers_1\\Drivers95", 12},
    {OsClass::Nt4, u"drivers_1\\Drivers", 10},
    {OsClass::Xp, u"drivers_1\\Drivers2000", 14},
    {OsClass::XpAmd64, u"drivers_1\\DriversXP_amd64", 18},
    {OsClass::XpIa64, u"drivers_1\\DriversXP_ia64", 17},
    {OsClass::Win95, u"drivers_2\\Drivers95", 12},
    {OsClass::Nt4, u"drivers_2\\Drivers", 10},
    {OsClass::W10, u"drivers_2\\Drivers2000", 14},
    {OsClass::W10Amd64, u"drivers_2\\DriversXP_amd64", 18},
    {OsClass::W10Ia64, u"drivers_2\\DriversXP_ia64", 17},
    {OsClass::Any, u"Program Files", 0},
    {OsClass::Xp, u"Program Files XP", 3},
    {OsClass::XpAmd64, u"Program Files XP_amd64", 9},
    {OsClass::XpIa64, u"Program Files XP_ia64", 8},
    {OsClass::Xp, u"System", 0},
    {OsClass::XpAmd64, u"SystemXP_amd64", 8},
    {OsClass::XpIa64, u"SystemXP_ia64", 7},
    {OsClass::XpAmd64, u"Shared\\amd64", 6},
    {OsClass::Any, u"Shared\\i386", 5},
    {OsClass::XpIa64, u"Shared\\ia64", 5},
}};

FolderClass LookUpFolderClass(platform::WString& folder, OsClass running) {
    for (auto row = ComponentFolderTable.rbegin(); row != ComponentFolderTable.rend(); ++row) {
        if (!platform::EqualsIgnoreCase(folder, row->folder))
            continue;
        folder.resize(folder.size() - row->suffixLength);
        return {OsClassLabel(row->osClass),
                row->osClass == running || row->osClass == OsClass::Any};
    }
    return {};
}

}  // namespace updater
