#include "updater/app/cli/interactive_run.h"

#include "updater/app/flow_text.h"
#include "updater/app/main_window_rules.h"
#include "updater/app/update_report.h"
#include "updater/app/updater_strings.h"
#include "updater/app/version_table_text.h"
#include "updater/config/update_config.h"
#include "updater/support/formatter.h"

namespace updater::cli {
namespace {

platform::WString Text(const UpdateServices& services, unsigned id) {
    return LoadFlowText(services.strings, id);
}

void PrintList(const TextVersionTable& table, const UpdateServices& services, std::FILE* out) {
    std::fprintf(out, "\n%s\n%s", platform::ToUtf8(Text(services, kStrPageVersions)).c_str(),
                 table.Render(services.strings).c_str());
}

}  // namespace

platform::WString BuildStatusLine(VersionListSource& source, VersionListView& view) {
    const bool noComponents = FillVersionList(source, view, true);
    return StatusLineText(kStatusTemplate, source.state, &source, noComponents);
}

int RunInteractive(UpdaterState& state, UpdateServices& services,
                   const TerminalQuestions& questions, std::FILE* out) {
    MessageOwner& messages = services.frontEnd.Messages();
    // The window reads the configuration again when it opens; start-up has
    // already named a file that cannot be read.
    if (!LoadInstalledUpdateConfig(nullptr, state.config))
        return 0;
    ConfirmWhileAutoUpdateOff(state.settings);
    std::fprintf(out, "%s\n",
                 platform::ToUtf8(FormatToString(kFlowTextCapacity, kHeaderTemplate,
                                                 state.config.productName, state.config.productVer))
                     .c_str());
    TextVersionTable table;
    VersionListSource source{state, services};
    const platform::WString status = BuildStatusLine(source, table);
    std::fprintf(out, "%s\n", platform::ToUtf8(status).c_str());
    PrintList(table, services, out);
    std::fflush(out);

    // "View details" shows the list again and asks again, as the window
    // switches to its Versions Information page and stays open.
    int result = kExitNotUpdated;
    while (questions.Ask("Update Now? [y] Yes, [n] No: ", "yn", 'n') == 'y') {
        result = UpdateCheck(state, services, true);
        if (!ShowCheckReport(result, messages, services.strings))
            break;
        FillVersionList(source, table, false);
        PrintList(table, services, out);
        std::fflush(out);
        result = kExitNotUpdated;
    }
    // The window stores the settings and the download folder when it closes.
    state.mainRecord.Save(nullptr, state.settings, state.downloadFolder);
    return result;
}

int RunVersionList(UpdaterState& state, UpdateServices& services, std::FILE* out) {
    TextVersionTable table;
    VersionListSource source{state, services};
    FillVersionList(source, table, true);
    if (source.lastFetch != 0)
        return -1;
    std::fprintf(out, "%s", table.Render(services.strings).c_str());
    return 0;
}

}  // namespace updater::cli
