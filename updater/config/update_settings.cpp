#include "updater/config/update_settings.h"

namespace updater {
namespace {

template <typename T>
T ReadLittleEndian(const UpdateSettings::Block& block, size_t offset) {
    uint64_t value = 0;
    for (size_t i = sizeof(T); i > 0; --i)
        value = (value << 8) | block[offset + i - 1];
    return static_cast<T>(value);
}

template <typename T>
void WriteLittleEndian(UpdateSettings::Block& block, size_t offset, T value) {
    auto bits = static_cast<uint64_t>(value);
    for (size_t i = 0; i < sizeof(T); ++i, bits >>= 8)
        block[offset + i] = static_cast<uint8_t>(bits & 0xFF);
}

}  // namespace

UpdateSettings UpdateSettings::FromConfig(const UpdateConfig& config) {
    UpdateSettings settings;
    settings.autoUpdateOff = config.autoUpdateOff;
    settings.confirmDownload = config.confirmDownload;
    settings.confirmRestart = config.confirmRestart;
    settings.period = config.period;
    return settings;
}

UpdateSettings UpdateSettings::FromBlock(const Block& block) {
    UpdateSettings settings;
    settings.siteIndex = ReadLittleEndian<int32_t>(block, 0);
    settings.autoUpdateOff = block[4];
    settings.confirmDownload = block[5];
    settings.confirmRestart = block[6];
    settings.showAllFiles = block[7];
    settings.period = block[8];
    settings.lastCheck = ReadLittleEndian<int64_t>(block, 12);
    settings.showAllOs = block[20];
    return settings;
}

UpdateSettings::Block UpdateSettings::ToBlock() const {
    Block block{};
    WriteLittleEndian(block, 0, siteIndex);
    block[4] = autoUpdateOff;
    block[5] = confirmDownload;
    block[6] = confirmRestart;
    block[7] = showAllFiles;
    block[8] = period;
    WriteLittleEndian(block, 12, lastCheck);
    block[20] = showAllOs;
    return block;
}

}  // namespace updater
