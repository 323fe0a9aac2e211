// Arbitrary command lines (arguments separated by NUL bytes) into the update
// program's option parser and the settings it stores. Parsing never fails
// without a message; a stored site index always selects a configured site
// with a host, a stored folder fits the record, and a refused command line
// changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/require.h"
#include "updater/app/cli/options.h"
#include "updater/config/updater_records.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            args.emplace_back();
        else
            args.back().push_back(static_cast<char>(data[i]));
    }
    updater::cli::Options options;
    std::string error;
    if (!updater::cli::ParseOptions(args, options, error)) {
        Require(!error.empty());
        return 0;
    }
    updater::UpdaterState state;
    state.config.sites[0].host = "127.0.0.1";
    state.config.sites[3].host = "mirror.example";
    const updater::UpdateSettings before = state.settings;
    if (!updater::cli::ApplyOptionChanges(options.changes, state, error)) {
        Require(!error.empty() && state.settings == before && state.downloadFolder.empty());
        return 0;
    }
    const updater::DownloadSite* site = state.config.Site(state.settings.siteIndex);
    Require(site != nullptr && !site->IsEmpty());
    Require(state.downloadFolder.size() < updater::kDownloadFolderCapacity);
    Require(state.settings.period <= updater::kPeriodMonthly);
    return 0;
}
