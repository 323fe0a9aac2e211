// The update program's command line on Linux: "auto" runs the periodic check,
// no arguments the interactive run, --versions the Versions Information
// list; the Update Options are set with options and stored as the page
// stores them. See Renovo --help.
#include <cstdio>
#include <string>
#include <vector>

#include "updater/app/cli/interactive_run.h"
#include "updater/app/cli/options.h"
#include "updater/app/cli/terminal_front_end.h"
#include "updater/app/startup.h"
#include "updater/app/update_check.h"
#include "updater/app/updater_strings.h"
#include "updater/install/launch.h"
#include "updater/net/download_progress.h"
#include "updater/support/lang_file.h"
#include "updater/verify/signature_check.h"

namespace {

int Usage(const std::string& error) {
    std::fprintf(stderr, "Renovo: %s\n", error.c_str());
    return updater::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace updater;
    cli::Options options;
    std::string error;
    if (!cli::ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
        return Usage(error);
    if (options.action == cli::Action::Help) {
        std::fputs(cli::UsageText(), stdout);
        return cli::kExitOk;
    }

    // The installed translation (none: the English texts), before any text.
    cLangFile language;
    language.Start();
    cli::TerminalFrontEnd frontEnd(stdin, stderr);
    const StringResources& strings = EnglishStrings();
    UpdaterState state;
    StartUp(state, frontEnd.Messages(), strings);
    CSignatureCheck signatureCheck;
    UpdateServices services{frontEnd,       strings,           SystemProcessStarter(),
                            signatureCheck, SystemRestarter(), CalendarSeconds};

    switch (options.action) {
        case cli::Action::Settings:
            if (!cli::ApplyOptionChanges(options.changes, state, error))
                return Usage(error);
            if (!state.mainRecord.Save(nullptr, state.settings, state.downloadFolder)) {
                std::fprintf(stderr, "Renovo: the settings could not be stored\n");
                return 1;
            }
            return cli::kExitOk;
        case cli::Action::Versions:
            return cli::RunVersionList(state, services, stdout);
        default:
            break;
    }
    // The scheduled check for "auto", the master switch for the interactive
    // run; "View details" in the check goes on with the interactive run,
    // which shows the list.
    const StartDecision decision =
        DecideStart(state, services, CommandLineOf(argc, argv), frontEnd.Messages());
    if (!decision.openWindow)
        return decision.exitCode;
    return cli::RunInteractive(state, services, frontEnd.Questions(), stdout);
}
