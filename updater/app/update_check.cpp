#include "updater/app/update_check.h"

#include "platform/files.h"
#include "updater/app/download_folder.h"
#include "updater/app/flow_text.h"
#include "updater/app/updater_strings.h"
#include "updater/install/installer.h"
#include "updater/net/internet_session.h"
#include "updater/support/formatter.h"
#include "updater/verify/hash_list.h"

namespace updater {
namespace {

// Each piece of a message is formatted into a buffer of this many units.
constexpr size_t kPieceCapacity = 2048;

const TextLanguage& LanguageOf(const UpdateServices& services) {
    return services.language != nullptr ? *services.language : InstalledLanguage();
}

// "Error in downloading file '<name>' (<d>)", the site's address and the
// destination's folder, as FetchFile shows a failure.
platform::WString FetchErrorText(const UpdateServices& services, const DownloadSite& site,
                                 platform::WStringView fileName, platform::WStringView destination,
                                 int32_t code) {
    const TextLanguage& language = LanguageOf(services);
    platform::WString text = LoadFlowText(services.strings, kStrDownloadError);
    text += FormatToString(kPieceCapacity, u" '%s' (%d)", fileName, code);
    // The site's directory is the path also when it is empty: "http://host/".
    const std::optional<std::string> address =
        SiteAddressText(site, std::string_view(site.directory));
    if (address) {
        text += FormatToString(kPieceCapacity, u"\n%s\t %s", language.Translate("From:"),
                               platform::FromAnsi(*address));
    }
    text += FormatToString(kPieceCapacity, u"\n%s\t %s", language.Translate("To:"),
                           platform::ParentFolder(destination));
    return text;
}

// The site the settings select; the first one when the index is outside the
// configured sites.
const DownloadSite& SelectedSite(const UpdaterState& state) {
    const DownloadSite* site = state.config.Site(state.settings.siteIndex);
    return site != nullptr ? *site : state.config.sites[0];
}

// The download code of one fetch: the front end's, or the failure found
// before asking it.
int32_t Download(UpdateServices& services, const DownloadSite& site, platform::WStringView fileName,
                 const platform::WString& destination) {
    if (fileName.empty() || destination.empty())
        return platform::kErrorInvalidParameter;
    if (destination.size() > kMaxFlowPath)
        return kDownloadPathTooLong;
    if (site.IsEmpty())
        return kFetchSetupFailed;
    return services.frontEnd.Download(site, platform::ToAnsi(fileName), destination);
}

}  // namespace

int FetchFile(UpdaterState& state, UpdateServices& services, platform::WStringView fileName,
              platform::WStringView destination) {
    platform::WString target(destination);
    if (target.empty()) {
        if (state.downloadFolder.empty())
            MakeDefaultDownloadFolder(state.downloadFolder, state.config.productName);
        // Without a download folder there is nowhere to put the file.
        if (!state.downloadFolder.empty())
            target = platform::JoinPath(state.downloadFolder, fileName);
    }
    const DownloadSite& site = SelectedSite(state);
    const int32_t code = Download(services, site, fileName, target);
    if (code == 0)
        return kFetchDone;
    if (code == kDownloadStopped)
        return kFetchStopped;
    if (state.interactiveMode == 0)
        return kFetchFailed;
    const platform::WString text = FetchErrorText(services, site, fileName, target, code);
    platform::WString caption = services.frontEnd.OwnerTitle();
    if (caption.empty())
        caption = kNoOwnerCaption;
    services.frontEnd.Messages().Show(text, caption, kMessageErrorIcon);
    return kFetchFailed;
}

namespace {

// The installer's result as the flow reads it: a refused signature, a missing
// elevation and a declined prompt count as cancelled (bit 2), a program that
// did not run to its end as failed.
long MapInstallerResult(long result) {
    switch (result) {
        case kLaunchNoElevation:
        case kErrorCancelled:
            return 4;
        case kLaunchNotSplit:
            return 0;
        default:
            return result;
    }
}

// Asks whether a current product is to be installed again.
bool ReinstallWanted(UpdaterState& state, UpdateServices& services) {
    const platform::WString text = FormatToString(
        kFlowTextCapacity, LoadFlowText(services.strings, kStrReinstall), state.config.productName);
    return services.frontEnd.Messages().Show(text, state.title,
                                             kMessageYesNo | kMessageQuestionIcon) == kAnswerYes;
}

// The download question: kCheckInstalled to go on, else the check's result.
int AskForDownload(UpdaterState& state, UpdateServices& services) {
    const platform::WString text =
        FormatToString(kFlowTextCapacity, LoadFlowText(services.strings, kStrNewVersion),
                       state.config.productName);
    const int answer =
        services.frontEnd.AskDownload(text, state.title, state.config.releaseNotesUrl);
    if (answer == kAnswerYes)
        return kCheckInstalled;
    if (answer == kAnswerViewDetails && state.config.releaseNotesUrl.empty())
        return kCheckViewDetails;
    return kCheckCancelled;
}

// Runs the installer and reads its exit code bits.
int InstallAndRestart(UpdaterState& state, UpdateServices& services,
                      const platform::WString& installerPath, bool askBeforeRestart) {
    InstallerContext context{services.starter, services.signatureCheck,
                             services.frontEnd.Messages(), state.title,
                             services.frontEnd.OwnerWindow()};
    const long result = MapInstallerResult(RunInstaller(context, installerPath, true, true));
    if ((result & 1) == 0)
        return (result & 4) != 0 ? kCheckCancelled : kCheckFailed;
    if ((result & 2) != 0) {
        if (askBeforeRestart &&
            services.frontEnd.Restart().Ask(services.frontEnd.OwnerWindow(), state.title,
                                            state.config.productName) == kRestartLater) {
            return kCheckDeclined;
        }
        services.restarter.RequestRestart(services.frontEnd.OwnerWindow());
    }
    return kCheckInstalled;
}

}  // namespace

int UpdateCheck(UpdaterState& state, UpdateServices& services, bool askBeforeRestart) {
    state.title = LoadFlowText(services.strings, kStrTitle, kTitleCapacity);
    state.settings.lastCheck = services.clock();
    const int fetched = FetchFile(state, services, state.config.verFileName);
    if (fetched != kFetchDone)
        return fetched;
    state.mainRecord.Save(nullptr, state.settings, state.downloadFolder);

    if (SameRelease(state.downloadFolder, state.installedFolder, state.config.verFileName)) {
        if (state.interactiveMode == 0)
            return kCheckInstalled;
        if (!ReinstallWanted(state, services))
            return kCheckDeclined;
        // Only for this run: the stored confirm download stays as it is.
        state.downloadQuestionAnswered = true;
    }

    const platform::WString descriptionPath =
        platform::JoinPath(state.downloadFolder, state.config.verFileName);
    const platform::WString installerPath =
        platform::JoinPath(state.downloadFolder, state.config.exeFileName);
    // A path too long is not looked at: its fetch fails with the message.
    const bool fits =
        installerPath.size() <= kMaxFlowPath && descriptionPath.size() <= kMaxFlowPath;
    if (!fits ||
        !FileMatchesListEntry(installerPath, descriptionPath, services.frontEnd.Messages())) {
        if (fits && state.settings.confirmDownload != 0 && !state.downloadQuestionAnswered) {
            const int asked = AskForDownload(state, services);
            if (asked != kCheckInstalled)
                return asked;
        }
        if (FetchFile(state, services, state.config.exeFileName, installerPath) != kFetchDone)
            return kCheckFailed;
    }
    return InstallAndRestart(state, services, installerPath, askBeforeRestart);
}

}  // namespace updater
