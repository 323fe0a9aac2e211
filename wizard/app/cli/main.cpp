// The wizard's command line on Linux: the same settings and builders as the
// Windows pages, driven by options.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"
#include "wizard/app/cli/build_iso.h"
#include "wizard/app/cli/build_netboot.h"
#include "wizard/app/cli/build_usb.h"
#include "wizard/app/cli/cli_options.h"
#include "wizard/app/cli/medium_digest.h"
#include "wizard/app/cli/share_check_cli.h"
#include "wizard/app/cli/write_config.h"

namespace {

using namespace wizard::cli;

void ListSchemes(const wizard::WizardSettings& settings) {
    for (size_t i = 0; i < settings.Schemes.size(); ++i) {
        const wizard::WipeScheme& s = settings.Schemes[i];
        std::printf("%zu\t%s\t%s\t%d\t%d\n", i, platform::ToUtf8(s.DisplayName).c_str(),
                    platform::ToUtf8(s.FileName).c_str(), s.PassCount, s.SchemeWeight);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions options;
    std::string error;
    if (!ParseCli(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::fprintf(stderr, "mediawizard: %s (see --help)\n", error.c_str());
        return kExitUsage;
    }
    if (options.action == Action::About) {
        std::fputs(AboutText().c_str(), stdout);
        return kExitOk;
    }
    if (options.action == Action::Help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (options.action == Action::Digest)
        return PrintMediumDigest(options.digestTarget);
    wizard::WizardSettings settings(wizard::DefaultSettingsEnvironment());
    settings.LoadSettings();
    if (!ApplyCli(options, settings, error)) {
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
        return kExitUsage;
    }
    switch (options.action) {
        case Action::ListSchemes:
            ListSchemes(settings);
            return kExitOk;
        case Action::WriteConfig:
            return WriteConfigFolder(settings, options.configFolder);
        case Action::Iso:
            return BuildIsoFromCli(settings, options);
        case Action::CheckShare:
            return CheckShareFromCli(settings, options);
        case Action::Usb:
            return BuildUsbFromCli(settings, options);
        case Action::ListUsb:
            return ListUsbFromCli(settings, options);
        case Action::Netboot:
            return BuildNetbootFromCli(settings, options);
        default:
            if (!options.SetsWipingOption()) {
                std::fprintf(stderr, "mediawizard: nothing to do; see --help\n");
                return kExitUsage;
            }
            return kExitOk;  // the wiping options were stored
    }
}
