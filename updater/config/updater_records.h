// The update program's two registry records, under HKEY_CURRENT_USER
// "Software\Korvane\Renovo":
//
//   <product name>  the main window: settings block (UpdateSettings, 28 bytes),
//                   no list columns, the download folder as trailing UTF-16
//                   text without terminator
//   "WndPos"        the Versions page's list: no state block, five columns
//
// Used by the interface thread, and by the update worker while the window
// leaves the record alone (the program-wide state has no locks).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/text.h"
#include "updater/config/update_settings.h"
#include "updater/config/window_state_record.h"

namespace updater {

constexpr char16_t kUpdaterKeyPath[] = u"Software\\Korvane\\Renovo";
constexpr char16_t kVersionsListValueName[] = u"WndPos";
constexpr size_t kVersionsListColumns = 5;
// The stored download folder is read into this many UTF-16 units; the text
// must leave room for a terminator, so it holds at most 259 units.
constexpr size_t kDownloadFolderCapacity = 260;

// The download folder kept as trailing bytes: UTF-16 little-endian, no
// terminator.
std::vector<uint8_t> DownloadFolderBytes(platform::WStringView folder);
// The folder from trailing bytes: up to the first NUL unit; a trailing odd
// byte is ignored; a text of kDownloadFolderCapacity units or more without a
// NUL counts as no folder (empty).
platform::WString DownloadFolderFromBytes(std::span<const uint8_t> bytes);

class MainWindowRecord {
  public:
    // Names the record after the product.
    void Prepare(platform::WStringView productName);
    // settings holds the start values; when the record is read they are
    // replaced by the stored block and folder by the stored folder (empty
    // when none). A failed read changes neither.
    bool Read(RecordWindow* window, UpdateSettings& settings, platform::WString& folder);
    // Stores the settings and the folder, with the window's rectangle, or the
    // rectangle read before when no window is given (none read: the one
    // stored now stays). A minimised window saves nothing.
    bool Save(const RecordWindow* window, const UpdateSettings& settings,
              platform::WStringView folder);

    WindowStateRecord& Record() { return record_; }

  private:
    WindowStateRecord record_;
};

// Names a record for the Versions page's list ("WndPos", five columns).
void PrepareVersionsListRecord(WindowStateRecord& record);

}  // namespace updater
