// The download progress dialog on Windows: cProgressDlg runs dialog 134
// modally on the dialog framework while the download worker fetches one file,
// with the percentage in its caption and bar, the rate and time left after 3
// quiet seconds, and Stop. Interface thread; the worker writes to the
// dialog's controls directly.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "updater/net/download_site.h"
#include "updater/net/fetch.h"
#include "updater/support/string_resources.h"

namespace updater {

constexpr unsigned kProgressDialogId = 134;
constexpr unsigned kProgramTitleString = 103;  // "KV Automatic Update"
constexpr unsigned kThreadErrorString = 112;   // "Error in creating thread"
constexpr unsigned kTimeLeftString = 126;      // "%s ( %s of %s copied )"

// Downloads fileName from site to destination under dialog 134 of instance
// (an HINSTANCE), owned by parent (an HWND, may be null). strings gives the
// program's string resources (texts missing there are shown in English).
// Returns 0, -9 when stopped, 2 when the worker could not start (also when
// the dialog could not be created, after the framework's message), or the
// fetch's error code.
int32_t DownloadWithDialog(void* instance, void* parent, const DownloadSite& site,
                           std::string_view fileName, platform::WStringView destination,
                           const StringResources& strings, const FetchOptions& options = {});

}  // namespace updater
