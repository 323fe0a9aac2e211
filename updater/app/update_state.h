// The update program's program-wide state: made at start, kept until exit.
// Plain data without locks: the interface thread and the Update Now worker
// (at most one) use it as the update flow describes.
#pragma once

#include <cstdint>

#include "platform/text.h"
#include "updater/config/update_config.h"
#include "updater/config/update_settings.h"
#include "updater/config/updater_records.h"

namespace updater {

struct UpdaterState {
    UpdateConfig config;      // renovo.cfg
    UpdateSettings settings;  // the stored settings block (defaults from config)
    platform::WString downloadFolder;
    // 1 for the interactive run; 0 only for the scheduled run, before its check.
    uint8_t interactiveMode = 1;
    // The running program's folder with a trailing separator.
    platform::WString installedFolder;
    // String 103, translated: the caption of the flow's questions.
    platform::WString title;
    // The product's master switch "EnableAutoUpdate" (true unless a one-byte 0).
    bool autoUpdateEnabled = true;
    // The main window's record (settings, download folder, rectangle).
    MainWindowRecord mainRecord;
    // The user asked to re-install a current product: the download question
    // is not asked again in this run. Never saved with the settings.
    bool downloadQuestionAnswered = false;
};

}  // namespace updater
