// The rows of the version list from the installed and the site's version
// description: one row per "[Version]" line of the installed description.
#include "updater/app/component_folders.h"
#include "updater/app/flow_text.h"
#include "updater/app/updater_strings.h"
#include "updater/app/version_list.h"
#include "updater/support/version_compare.h"

namespace updater {
namespace {

constexpr char16_t kVersionSection[] = u"[Version]";
constexpr platform::WStringView kBuildSuffix = u" built by: WinDDK";
constexpr size_t kTextCapacity = cConfigFile::kPairLineCapacity;

// One component of the installed description and the version the site offers.
struct Component {
    platform::WString path;
    platform::WString current;
    platform::WString offered;
};

// A row that names no component: only texts.
VersionRow TextRow(platform::WString fileName, platform::WString current, platform::WString offered,
                   platform::WString location) {
    return {std::move(fileName), std::move(current), std::move(offered), std::move(location), {},
            kVersionSame};
}

class Filler {
  public:
    Filler(VersionListSource& source, VersionListView& view, cConfigFile& installed,
           cConfigFile& downloaded)
        : source_(source), view_(view), installed_(installed), downloaded_(downloaded) {}

    bool Run();

  private:
    platform::WString Text(unsigned id) const { return LoadFlowText(source_.services.strings, id); }
    // The component of the pair just read; false when reading stops.
    bool ReadComponent(const platform::WString& name, const platform::WString& value,
                       Component& component);
    void AddComponent(const Component& component);

    VersionListSource& source_;
    VersionListView& view_;
    cConfigFile& installed_;
    cConfigFile& downloaded_;
    bool added_ = false;
};

bool Filler::Run() {
    view_.Clear();
    source_.siteVersionText.clear();
    const UpdaterState& state = source_.state;
    if (!installed_.IsOpen()) {
        view_.Add(
            TextRow(state.config.verFileName, Text(kStrDoesNotExist), {}, state.installedFolder));
        return false;
    }
    if (!downloaded_.IsOpen()) {
        view_.Add(
            TextRow(state.config.verFileName, {}, Text(kStrDoesNotExist), state.downloadFolder));
        return false;
    }
    if (!installed_.FindSection(kVersionSection))
        return false;
    platform::WString name, value;
    // A line "=x" gives an empty name, so the section's end is looked for in
    // the name's first unit only when there is one.
    while (installed_.ReadPair(name, kTextCapacity, value, kTextCapacity) &&
           !name.starts_with(u'[')) {
        Component component;
        if (!ReadComponent(name, value, component))
            break;
        if (source_.siteVersionText.empty())
            source_.siteVersionText = component.offered.substr(0, kSiteVersionTextLength);
        if (!state.settings.showAllFiles && component.current == component.offered)
            continue;
        AddComponent(component);
    }
    if (!state.settings.showAllFiles && !added_)
        view_.Add(TextRow(Text(kStrNoDifferences), {}, {}, {}));
    return !added_;
}

bool Filler::ReadComponent(const platform::WString& name, const platform::WString& value,
                           Component& component) {
    if (value.empty()) {
        // The product's main program: the bare line pairs with the first line
        // of the site's section, whatever it holds.
        if (!downloaded_.FindSection(kVersionSection) ||
            !downloaded_.ReadNextLine(component.offered, kTextCapacity))
            return false;
        component.current = name;
        component.path = u"Program Files\\" + source_.state.config.productName + u".exe";
        return true;
    }
    if (!downloaded_.FindValue(kVersionSection, name, component.offered, kTextCapacity))
        component.offered = Text(kStrNotFound);
    component.current = value;
    component.path = name;
    return true;
}

void Filler::AddComponent(const Component& component) {
    const size_t slash = component.path.rfind(u'\\');
    platform::WString folder, fileName = component.path;
    if (slash != platform::WString::npos) {
        folder = component.path.substr(0, slash);
        fileName = component.path.substr(slash + 1);
    }
    const FolderClass folderClass = LookUpFolderClass(folder, source_.osClass);
    if (!source_.state.settings.showAllOs && !folderClass.meantForThisSystem)
        return;
    VersionRow row;
    row.fileName = std::move(fileName);
    row.currentVersion = ShownVersion(component.current);
    row.newVersion = ShownVersion(component.offered);
    row.location = std::move(folder);
    row.os = platform::WString(folderClass.label);
    // The shown texts are compared, so that a build suffix on one side only
    // does not turn two equal numbers into a difference.
    row.state = VersionState(row.currentVersion, row.newVersion);
    view_.Add(row);
    added_ = true;
}

}  // namespace

bool FillVersionListFrom(VersionListSource& source, VersionListView& view, cConfigFile& installed,
                         cConfigFile& downloaded) {
    return Filler(source, view, installed, downloaded).Run();
}

int VersionState(platform::WStringView current, platform::WStringView offered) {
    int fieldCount = 0;
    int order = CompareVersions(current, offered, fieldCount);
    if (fieldCount == 1)
        order = current.compare(offered);
    return order < 0 ? kVersionNewer : order > 0 ? kVersionOlder : kVersionSame;
}

platform::WString ShownVersion(platform::WStringView version) {
    if (version.size() >= kBuildSuffix.size() &&
        platform::EqualsIgnoreCase(version.substr(version.size() - kBuildSuffix.size()),
                                   kBuildSuffix))
        version.remove_suffix(kBuildSuffix.size());
    return platform::WString(version);
}

}  // namespace updater
