#include "wizard/app/cli/write_config.h"

#include <cstdio>

#include "platform/files.h"
#include "wizard/app/cli/cli_options.h"
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/config_archive.h"

namespace wizard::cli {
namespace {

bool Check(bool ok, const platform::WString& path, const char* what) {
    if (!ok)
        std::fprintf(stderr, "mediawizard: %s %s\n", what, platform::ToUtf8(path).c_str());
    return ok;
}

}  // namespace

int WriteConfigFolder(WizardSettings& settings, const std::string& folderText) {
    using platform::JoinPath;
    // A build applies the recommended options when the user kept them.
    if (settings.UseDefaultSetings)
        settings.ResetToRecommended();
    if (settings.Schemes.empty()) {
        std::fprintf(stderr, "mediawizard: no wiping schemes in %s\n",
                     platform::ToUtf8(settings.Environment.SchemesFolder).c_str());
        return kExitFailed;
    }
    const platform::WString folder = platform::FromUtf8(folderText);
    if (!Check(platform::CreateFolders(folder), folder, "cannot create the folder")) {
        return kExitFailed;
    }
    const BootConfigWriter writer(settings);
    const platform::WString welcome = JoinPath(folder, u"welcome.txt");
    const platform::WString wipeConfig = JoinPath(folder, u"wipe_config");
    const platform::WString tmp = JoinPath(folder, u"tmp");
    const platform::WString policy = JoinPath(tmp, u"policy.cfg");
    const platform::WString schemes = JoinPath(tmp, u"schemes");
    const platform::WString archive = JoinPath(folder, u"quelix");

    bool ok =
        Check(writer.WriteWelcomeText(welcome, WelcomeVariant::Standard), welcome, "cannot write");
    ok = Check(writer.WriteWipeConfig(wipeConfig), wipeConfig, "cannot write") && ok;
    ok = Check(platform::CreateFolder(tmp), tmp, "cannot create the folder") && ok;
    ok = Check(writer.WritePolicyFile(policy), policy, "cannot write") && ok;
    ok = Check(platform::CopyTree(JoinPath(settings.Environment.SchemesFolder, u"*"), schemes),
               schemes, "cannot copy the scheme files to") &&
         ok;
    const ConfigArchiveFolders folders{folder, settings.Environment.ProgramFolder,
                                       platform::TempFolder()};
    ok = Check(BuildConfigArchive(settings, archive, folders), archive, "cannot write") && ok;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace wizard::cli
