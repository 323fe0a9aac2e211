#include "wizard/app/cli/build_netboot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/files.h"
#include "wizard/app/cli/build_iso.h"
#include "wizard/app/cli/reproducible_build.h"
#include "wizard/app/cli/share_check_cli.h"
#include "wizard/app/cli/terminal_reporter.h"
#include "wizard/media/dnsmasq_config.h"
#include "wizard/media/netboot_media_builder.h"

namespace wizard::cli {
namespace {

namespace fs = std::filesystem;

// The first folder, from path up to the root, that an unprivileged user
// cannot pass (or, for path itself, list); empty when there is none.
std::string ClosedToOthers(const fs::path& path) {
    for (fs::path p = path;; p = p.parent_path()) {
        struct stat st {};
        const mode_t needed = p == path ? S_IROTH | S_IXOTH : S_IXOTH;
        if (stat(p.c_str(), &st) == 0 && (st.st_mode & needed) != needed)
            return p.string();
        if (p == p.parent_path())
            return {};
    }
}

bool CanWriteIn(const std::string& folder) {
    platform::WString probe;
    if (!platform::CreateUniqueTempFile(platform::FromUtf8(folder), u"QLX", probe))
        return false;
    platform::DeleteOneFile(probe);
    return true;
}

}  // namespace

bool PrepareNetbootFolder(const std::string& folder, bool asRoot, std::string& absolute,
                          std::string& warning, std::string& error) {
    std::error_code ec;
    const fs::path path = fs::absolute(folder, ec).lexically_normal();
    absolute = path.string();
    if (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    if (ec || !IsServableFolder(absolute))
        return error = "'" + folder + "' cannot be named in dnsmasq.conf", false;
    struct stat st {};
    if (stat(absolute.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        return error = "'" + absolute + "' is not a folder", false;
    if (!fs::is_directory(path) && !fs::create_directories(path, ec) && !fs::is_directory(path))
        return error = "cannot create the folder '" + absolute + "': " + ec.message(), false;
    if (stat(absolute.c_str(), &st) != 0 || !CanWriteIn(absolute))
        return error = "cannot write in the folder '" + absolute + "'", false;
    // Other users could swap what root writes there, or put links in its place.
    if (asRoot && (st.st_mode & S_IWOTH) != 0)
        return error = "'" + absolute + "' may be changed by every user; as root the tree is " +
                       "not written there",
               false;
    const std::string closed = ClosedToOthers(path);
    if (!closed.empty())
        warning = "dnsmasq reads the tree as an unprivileged user, who cannot read '" + closed +
                  "': make it readable and searchable by all users";
    return true;
}

int BuildNetbootFromCli(WizardSettings& settings, const CliOptions& options) {
    NetbootTarget target;
    std::string folder, warning, error;
    if (!PrepareNetbootFolder(options.netbootFolder, geteuid() == 0, folder, warning, error)) {
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
        return kExitUsage;
    }
    if (!CheckShareBeforeBuild(settings, options))
        return kExitFailed;  // as the logging page stays open
    target.folder = platform::FromUtf8(folder);
    target.proxyNetwork = options.proxyNetwork;
    const platform::WString programFolder = settings.Environment.ProgramFolder;
    if (!PrepareBuildStamp(options, programFolder, target.stamp))
        return kExitUsage;
    TerminalReporter reporter;
    settings.BuildResult = RunTerminalBuild(reporter, [&](BuildContext& build) {
        return NetbootMediaBuilder(settings, build, programFolder, target).BuildNetbootTree();
    });
    if (settings.BuildResult != kBuildCreated)
        return settings.BuildResult;
    if (!warning.empty())
        std::fprintf(stderr, "mediawizard: warning: %s\n", warning.c_str());
    std::printf("To start the network boot server: %s\n",
                DnsmasqStartLine({folder, options.proxyNetwork}).c_str());
    return settings.BuildResult;
}

}  // namespace wizard::cli
