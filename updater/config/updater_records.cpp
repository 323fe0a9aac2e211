#include "updater/config/updater_records.h"

#include <algorithm>

namespace updater {

std::vector<uint8_t> DownloadFolderBytes(platform::WStringView folder) {
    return platform::ToUtf16LeBytes(folder);
}

platform::WString DownloadFolderFromBytes(std::span<const uint8_t> bytes) {
    bool terminated = false;
    platform::WString folder = platform::FromUtf16LeBytes(bytes, &terminated);
    // A folder that fills the whole buffer has no room for its terminator.
    if (!terminated && folder.size() >= kDownloadFolderCapacity)
        folder.clear();
    return folder;
}

void MainWindowRecord::Prepare(platform::WStringView productName) {
    record_.Prepare(platform::Hive::CurrentUser, kUpdaterKeyPath, productName,
                    UpdateSettings::kSize, 0);
}

bool MainWindowRecord::Read(RecordWindow* window, UpdateSettings& settings,
                            platform::WString& folder) {
    const UpdateSettings::Block start = settings.ToBlock();
    record_.StateBlock().assign(start.begin(), start.end());
    std::vector<uint8_t> trailing;
    if (!record_.Read(window, nullptr, &trailing, kDownloadFolderCapacity * 2))
        return false;
    UpdateSettings::Block stored{};
    std::copy_n(record_.StateBlock().begin(), stored.size(), stored.begin());
    settings = UpdateSettings::FromBlock(stored);
    folder = DownloadFolderFromBytes(trailing);
    return true;
}

bool MainWindowRecord::Save(const RecordWindow* window, const UpdateSettings& settings,
                            platform::WStringView folder) {
    if (window != nullptr && window->IsMinimised())
        return false;
    const UpdateSettings::Block block = settings.ToBlock();
    record_.StateBlock().assign(block.begin(), block.end());
    return record_.Save(window, nullptr, DownloadFolderBytes(folder));
}

void PrepareVersionsListRecord(WindowStateRecord& record) {
    record.Prepare(platform::Hive::CurrentUser, kUpdaterKeyPath, kVersionsListValueName, 0,
                   kVersionsListColumns);
}

}  // namespace updater
