#include "updater/app/cli/interactive_run.h"

#include "updater/app/cli/version_table.h"
#include "updater/app/updater_strings.h"
#include "updater/config/update_config.h"
#include "updater/support/formatter.h"

namespace updater::cli {
namespace {

constexpr size_t kTextCapacity = 1024;
constexpr char16_t kReportCaption[] = u"Renovo";

platform::WString Text(const UpdateServices& services, unsigned id) {
    platform::WString text;
    services.strings.Load(id, text);
    return text;
}

void PrintList(const VersionTable& table, const UpdateServices& services, std::FILE* out) {
    std::fprintf(out, "\n%s\n%s", platform::ToUtf8(Text(services, kStrPageVersions)).c_str(),
                 VersionTableText(table.Rows(), services.strings).c_str());
}

// The Update Now worker's report of a result.
void ReportResult(int result, UpdateServices& services) {
    unsigned id = kStrInstallError;
    unsigned icon = kMessageErrorIcon;
    switch (result) {
        case kCheckDeclined:
        case kCheckViewDetails:
            return;
        case kCheckInstalled:
            id = kStrInstalled;
            icon = kMessageInformationIcon;
            break;
        case kCheckCancelled:
            id = kStrCancelled;
            icon = kMessageInformationIcon;
            break;
        case kCheckNoDescription:
            id = kStrDownloadError;
            break;
        default:
            break;
    }
    services.frontEnd.Messages().Show(Text(services, id), kReportCaption, icon);
}

}  // namespace

platform::WString BuildStatusLine(VersionListSource& source, VersionListView& view) {
    const UpdaterState& state = source.state;
    platform::WString status =
        FormatToString(kTextCapacity, kStatusTemplate, state.config.exeFileName);
    if (FillVersionList(source, view, true))
        return Text(source.services, kStrUpToDate);
    if (!source.siteVersionText.empty()) {
        status += FormatToString(kTextCapacity, Text(source.services, kStrSiteVersion),
                                 source.siteVersionText);
    }
    return status;
}

int RunInteractive(UpdaterState& state, UpdateServices& services,
                   const TerminalQuestions& questions, std::FILE* out) {
    MessageOwner& messages = services.frontEnd.Messages();
    if (!state.autoUpdateEnabled) {
        messages.Show(
            FormatToString(kTextCapacity, Text(services, kStrDisabled), state.config.productName),
            state.title, kMessageErrorIcon);
        return -1;
    }
    // The window reads the configuration again when it opens.
    if (!LoadInstalledUpdateConfig(&messages, state.config))
        return 0;
    if (state.settings.autoUpdateOff) {
        state.settings.confirmDownload = 1;
        state.settings.confirmRestart = 1;
    }
    std::fprintf(out, "%s\n",
                 platform::ToUtf8(FormatToString(kTextCapacity, kHeaderTemplate,
                                                 state.config.productName, state.config.productVer))
                     .c_str());
    VersionTable table;
    VersionListSource source{state, services, {}, -100};
    const platform::WString status = BuildStatusLine(source, table);
    std::fprintf(out, "%s\n", platform::ToUtf8(status).c_str());
    PrintList(table, services, out);
    std::fflush(out);

    int result = kExitNotUpdated;
    if (questions.Ask("Update Now? [y] Yes, [n] No: ", "yn", 'n') == 'y') {
        result = UpdateCheck(state, services, true);
        ReportResult(result, services);
        if (result == kCheckViewDetails) {
            FillVersionList(source, table, false);
            PrintList(table, services, out);
        }
    }
    // The window stores the settings and the download folder when it closes.
    state.mainRecord.Save(nullptr, state.settings, state.downloadFolder);
    return result;
}

int RunVersionList(UpdaterState& state, UpdateServices& services, std::FILE* out) {
    VersionTable table;
    VersionListSource source{state, services, {}, -100};
    FillVersionList(source, table, true);
    if (source.lastFetch != 0)
        return -1;
    std::fprintf(out, "%s", VersionTableText(table.Rows(), services.strings).c_str());
    return 0;
}

}  // namespace updater::cli
