// The update flow: UpdateCheck fetches the site's version description,
// decides whether the installed product is current, asks where the settings
// say so, fetches and verifies the installer, runs it and offers a restart.
// FetchFile fetches one file from the selected site.
//
// Runs on one thread at a time (the scheduled run's main thread or the
// Update Now worker) over the program-wide UpdaterState.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/text.h"
#include "updater/app/update_front_end.h"
#include "updater/app/update_state.h"
#include "updater/install/launch.h"
#include "updater/install/restart.h"
#include "updater/net/text_language.h"
#include "updater/support/string_resources.h"
#include "updater/verify/signature_check.h"

namespace updater {

// CheckResult values.
constexpr int kCheckNoDescription = -1;  // the version description could not be fetched
constexpr int kCheckFailed = 0;          // installer not fetched/started, or no success bits
constexpr int kCheckInstalled = 1;       // installed, or (scheduled) already current
constexpr int kCheckCancelled = 2;       // stopped, declined, cancelled, refused
constexpr int kCheckDeclined = 4;        // no re-install, or restart later
constexpr int kCheckViewDetails = 5;     // "&View details" in the download question

// FetchFile results.
constexpr int kFetchDone = 0;
constexpr int kFetchStopped = 2;
constexpr int kFetchFailed = -1;

// The longest file path the flow builds or accepts, in UTF-16 units.
constexpr size_t kMaxFlowPath = 259;
// The download code FetchFile shows when the destination is too long (a
// site without a host shows the fetch's set-up failure, -8).
constexpr int32_t kDownloadPathTooLong = 206;
constexpr char16_t kNoOwnerCaption[] = u"Attention!";

// The services the flow runs on; the defaults of a program are the system's.
struct UpdateServices {
    UpdateFrontEnd& frontEnd;
    const StringResources& strings;  // translated through the language layer
    ProcessStarter& starter;
    CSignatureCheck& signatureCheck;
    SystemRestart& restarter;
    std::function<int64_t()> clock;  // calendar seconds
    // Translates "From:" and "To:" of the download error; null: the
    // installed language (InstalledLanguage()).
    const TextLanguage* language = nullptr;
};

// What one check works on, copied when it starts: the download folder and the
// site the settings select. The Update Now worker takes them on the interface
// thread, whose controls change both while the check runs.
struct CheckInputs {
    platform::WString downloadFolder;  // empty: the default folder
    DownloadSite site;
};
CheckInputs CheckInputsOf(const UpdaterState& state);

// The download folder is checked and held for the whole check (download_folder.h);
// a folder that is refused is named in a message and the result is -1.
int UpdateCheck(UpdaterState& state, UpdateServices& services, bool askBeforeRestart);
int UpdateCheck(UpdaterState& state, UpdateServices& services, bool askBeforeRestart,
                const CheckInputs& inputs);

// destination empty: DownloadFolder, "\" and the file name (the folder is
// made first when it is empty; it is checked and held as UpdateCheck does). The site is the one the
// settings' index selects, the first one when the index is outside the ten.
int FetchFile(UpdaterState& state, UpdateServices& services, platform::WStringView fileName,
              platform::WStringView destination = {});

}  // namespace updater
