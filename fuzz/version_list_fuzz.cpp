// Arbitrary installed and downloaded version descriptions fill the version
// list. The input's first byte picks the filters and the running class, the
// next two the length of the installed description; the rest after it is the
// downloaded one. Every row's texts fit the reader's capacity, the OS filter
// keeps only the running class's rows, the site's version text fits its 127
// characters, and the result tells exactly whether a component row was added.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/require.h"
#include "updater/app/updater_strings.h"
#include "updater/app/version_list.h"
#include "updater/install/testing/fake_starter.h"

using qo::fuzz::Require;

namespace {

using namespace updater;

class NoFrontEnd : public UpdateFrontEnd {
  public:
    class Quiet : public MessageOwner, public RestartQuestion {
      public:
        int Show(platform::WStringView, platform::WStringView, unsigned) override {
            return kMessageAnswerOk;
        }
        int Ask(void*, platform::WStringView, platform::WStringView) override {
            return kRestartLater;
        }
    };
    int32_t Download(const DownloadSite&, std::string_view, platform::WStringView) override {
        return -1;
    }
    MessageOwner& Messages() override { return quiet; }
    platform::WString OwnerTitle() override { return {}; }
    int AskDownload(platform::WStringView, platform::WStringView, platform::WStringView) override {
        return 2;
    }
    RestartQuestion& Restart() override { return quiet; }
    void* OwnerWindow() override { return nullptr; }
    Quiet quiet;
};

class NoRestart : public SystemRestart {
    bool RequestRestart(void*) override { return false; }
};

class Rows : public VersionListView {
  public:
    void Clear() override { rows.clear(); }
    void Add(const VersionRow& row) override { rows.push_back(row); }
    std::vector<VersionRow> rows;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const uint8_t choice = data[0];
    const size_t split = std::min<size_t>(size - 3, data[1] | size_t(data[2]) << 8);
    const std::span<const uint8_t> installedBytes(data + 3, split);
    const std::span<const uint8_t> downloadedBytes(data + 3 + split, size - 3 - split);

    static NoFrontEnd frontEnd;
    static testing::FakeStarter starter;
    static CSignatureCheck signatureCheck;
    static NoRestart restarter;
    UpdaterState state;
    state.config.verFileName = u"renovo.ver";
    state.config.productName = u"Omnisweep";
    state.settings.showAllFiles = choice & 1;
    state.settings.showAllOs = (choice >> 1) & 1;
    UpdateServices services{frontEnd,       EnglishStrings(), starter,
                            signatureCheck, restarter,        [] { return 0; }};
    VersionListSource source{state, services};
    source.lastFetch = kFetchDone;
    source.osClass = static_cast<OsClass>(int(choice >> 2) % 10 - 1);  // None to Any

    cConfigFile installed, downloaded;
    installed.OpenBytes(installedBytes);
    downloaded.OpenBytes(downloadedBytes);
    Rows view;
    const bool noComponent = FillVersionListFrom(source, view, installed, downloaded);

    Require(source.siteVersionText.size() <= kSiteVersionTextLength);
    const platform::WString noDifferences = u"No differences found";
    size_t components = 0;
    for (const VersionRow& row : view.rows) {
        Require(row.state == kVersionSame || row.state == kVersionNewer ||
                row.state == kVersionOlder);
        Require(row.fileName.size() < cConfigFile::kPairLineCapacity);
        Require(row.currentVersion.size() < cConfigFile::kPairLineCapacity);
        Require(row.newVersion.size() < cConfigFile::kPairLineCapacity);
        if (row.fileName == noDifferences && row.currentVersion.empty() && row.newVersion.empty())
            continue;
        ++components;
        if (!state.settings.showAllOs)
            Require(row.os.empty() || row.os == OsClassLabel(source.osClass));
    }
    // Stops before the components (no "[Version]" in the installed
    // description) add nothing and tell of no component.
    cConfigFile probe;
    probe.OpenBytes(installedBytes);
    if (probe.FindSection(u"[Version]"))
        Require(noComponent == (components == 0));
    else
        Require(!noComponent && view.rows.empty());
    // The closing row stands alone and only when differences alone are shown.
    if (components == 0 && !view.rows.empty())
        Require(view.rows.size() == 1 && !state.settings.showAllFiles);
    return 0;
}
