// The Versions Information list: the component files of the installed and of
// the site's release, one VersionRow each, with the location, the operating
// system class a file is meant for and the state of its versions.
//
// The list is shown through VersionListView (the Windows list control, a
// terminal table, a test recorder). Runs on the thread of its caller.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "updater/app/os_class.h"
#include "updater/app/update_check.h"
#include "updater/config/config_file.h"

namespace updater {

// State images.
constexpr int kVersionSame = 0;
constexpr int kVersionNewer = 1;  // the site offers a newer version
constexpr int kVersionOlder = 2;  // the installed version is higher

struct VersionRow {
    platform::WString fileName;
    platform::WString currentVersion;
    platform::WString newVersion;
    platform::WString location;
    platform::WString os;
    int state = kVersionSame;
};

class VersionListView {
  public:
    virtual ~VersionListView() = default;
    virtual void Clear() = 0;
    virtual void Add(const VersionRow& row) = 0;
};

// What a fill needs besides the program-wide state.
struct VersionListSource {
    UpdaterState& state;
    UpdateServices& services;
    // Cleared at the start of each fill; the first new version met.
    platform::WString siteVersionText{};
    // The result of the last description fetch; anything but 0 (or none yet)
    // makes the next fill fetch again.
    int lastFetch = -100;
    // The class whose components are shown when "Show all OS" is off.
    OsClass osClass = RunningOsClass();
};

// SiteVersionText holds at most this many characters.
constexpr size_t kSiteVersionTextLength = 127;

// Fills the list; true when no component row was added.
bool FillVersionList(VersionListSource& source, VersionListView& view, bool fetchFirst);

// The fill after the fetch: the rows from the installed and the downloaded
// description (either may be unopened). The list is emptied first; true when
// no component row was added.
bool FillVersionListFrom(VersionListSource& source, VersionListView& view, cConfigFile& installed,
                         cConfigFile& downloaded);

// The state image of a row: kVersionSame, kVersionNewer when current is the
// lower version, kVersionOlder when it is the higher one. Texts that hold one
// number each (or a number and something else) are compared as text.
int VersionState(platform::WStringView current, platform::WStringView offered);

// The version text as shown: without a trailing " built by: WinDDK" (any case).
platform::WString ShownVersion(platform::WStringView version);

}  // namespace updater
