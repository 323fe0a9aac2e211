#include "updater/app/update_check.h"

#include "platform/files.h"
#include "platform/private_folder.h"
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

// Where a fetch puts its file: the path messages show, and the path the
// download writes (through the held download folder when there is one).
struct Destination {
    platform::WString shown;
    platform::WString reached;
};

Destination InFolder(const platform::PrivateFolder& folder, platform::WStringView fileName) {
    return {platform::JoinPath(folder.Path(), fileName), folder.Reach(fileName)};
}

// The download code of one fetch: the front end's, or the failure found
// before asking it.
int32_t Download(UpdateServices& services, const DownloadSite& site, platform::WStringView fileName,
                 const Destination& destination) {
    if (fileName.empty() || destination.shown.empty())
        return platform::kErrorInvalidParameter;
    if (destination.shown.size() > kMaxFlowPath)
        return kDownloadPathTooLong;
    if (site.IsEmpty())
        return kFetchSetupFailed;
    return services.frontEnd.Download(site, platform::ToAnsi(fileName), destination.reached);
}

platform::WString OwnerCaption(UpdateServices& services) {
    platform::WString caption = services.frontEnd.OwnerTitle();
    return caption.empty() ? platform::WString(kNoOwnerCaption) : caption;
}

// Checks and holds the download folder for one job; a folder that is refused
// is named in a message, in the scheduled run too, and nothing is fetched.
bool HoldDownloadFolder(UpdateServices& services, const platform::WString& path,
                        platform::PrivateFolder& folder) {
    const platform::FolderRefusal refusal = folder.Open(path, true);
    if (refusal == platform::FolderRefusal::None)
        return true;
    services.frontEnd.Messages().Show(FolderRefusalText(path, refusal), OwnerCaption(services),
                                      kMessageErrorIcon);
    return false;
}

int FetchTo(UpdaterState& state, UpdateServices& services, const DownloadSite& site,
            platform::WStringView fileName, const Destination& destination) {
    const int32_t code = Download(services, site, fileName, destination);
    if (code == 0)
        return kFetchDone;
    if (code == kDownloadStopped)
        return kFetchStopped;
    if (state.interactiveMode == 0)
        return kFetchFailed;
    const platform::WString text =
        FetchErrorText(services, site, fileName, destination.shown, code);
    services.frontEnd.Messages().Show(text, OwnerCaption(services), kMessageErrorIcon);
    return kFetchFailed;
}

}  // namespace

CheckInputs CheckInputsOf(const UpdaterState& state) {
    return {state.downloadFolder, SelectedSite(state)};
}

int FetchFile(UpdaterState& state, UpdateServices& services, platform::WStringView fileName,
              platform::WStringView destination) {
    const DownloadSite& site = SelectedSite(state);
    if (!destination.empty()) {
        const platform::WString target(destination);
        return FetchTo(state, services, site, fileName, {target, target});
    }
    if (state.downloadFolder.empty())
        MakeDefaultDownloadFolder(state.downloadFolder, state.config.productName);
    // Without a download folder there is nowhere to put the file.
    if (state.downloadFolder.empty())
        return FetchTo(state, services, site, fileName, {});
    platform::PrivateFolder folder;
    if (!HoldDownloadFolder(services, state.downloadFolder, folder))
        return kFetchFailed;
    return FetchTo(state, services, site, fileName, InFolder(folder, fileName));
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
int InstallAndRestart(UpdaterState& state, UpdateServices& services, const Destination& installer,
                      bool askBeforeRestart) {
    InstallerContext context{
        services.starter, services.signatureCheck,         services.frontEnd.Messages(),
        state.title,      services.frontEnd.OwnerWindow(), installer.reached};
    const long result = MapInstallerResult(RunInstaller(context, installer.shown, true, true));
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
    if (state.downloadFolder.empty())
        MakeDefaultDownloadFolder(state.downloadFolder, state.config.productName);
    return UpdateCheck(state, services, askBeforeRestart, CheckInputsOf(state));
}

int UpdateCheck(UpdaterState& state, UpdateServices& services, bool askBeforeRestart,
                const CheckInputs& inputs) {
    state.title = LoadFlowText(services.strings, kStrTitle, kTitleCapacity);
    state.settings.lastCheck = services.clock();
    platform::WString folderPath = inputs.downloadFolder;
    if (folderPath.empty())
        MakeDefaultDownloadFolder(folderPath, state.config.productName);
    const platform::WString& verFile = state.config.verFileName;
    if (folderPath.empty())
        return FetchTo(state, services, inputs.site, verFile, {});
    // Held for the whole check: every file below is reached through it.
    platform::PrivateFolder folder;
    if (!HoldDownloadFolder(services, folderPath, folder))
        return kCheckNoDescription;
    const Destination description = InFolder(folder, verFile);
    const int fetched = FetchTo(state, services, inputs.site, verFile, description);
    if (fetched != kFetchDone)
        return fetched;
    state.mainRecord.Save(nullptr, state.settings, folderPath);

    if (SameRelease(platform::ParentFolder(description.reached), state.installedFolder, verFile)) {
        if (state.interactiveMode == 0)
            return kCheckInstalled;
        if (!ReinstallWanted(state, services))
            return kCheckDeclined;
        // Only for this run: the stored confirm download stays as it is.
        state.downloadQuestionAnswered = true;
    }

    const Destination installer = InFolder(folder, state.config.exeFileName);
    // A path too long is not looked at: its fetch fails with the message.
    const bool fits =
        installer.shown.size() <= kMaxFlowPath && description.shown.size() <= kMaxFlowPath;
    if (!fits || !FileMatchesListEntry(installer.reached, description.reached,
                                       services.frontEnd.Messages())) {
        if (fits && state.settings.confirmDownload != 0 && !state.downloadQuestionAnswered) {
            const int asked = AskForDownload(state, services);
            if (asked != kCheckInstalled)
                return asked;
        }
        if (FetchTo(state, services, inputs.site, state.config.exeFileName, installer) !=
            kFetchDone)
            return kCheckFailed;
    }
    return InstallAndRestart(state, services, installer, askBeforeRestart);
}

}  // namespace updater
