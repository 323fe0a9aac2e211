#include "updater/app/version_list.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/testing/fake_front_end.h"
#include "updater/app/updater_strings.h"
#include "updater/install/testing/fake_starter.h"

namespace updater {
namespace {

using platform::WString;
using qo::test::ScratchFolder;

constexpr char16_t kDescription[] = u"renovo.ver";

// Rows as "file|current|new|location|os|state".
class RowRecorder : public VersionListView {
  public:
    void Clear() override { rows.clear(); }
    void Add(const VersionRow& r) override {
        rows.push_back(platform::ToUtf8(r.fileName + u"|" + r.currentVersion + u"|" + r.newVersion +
                                        u"|" + r.location + u"|" + r.os + u"|") +
                       std::to_string(r.state));
    }
    std::vector<std::string> rows;
};

// The installed product in one scratch folder, its download folder and the
// site in others, and the services of a fill.
struct Product {
    ScratchFolder installed{u"qo-installed"};
    ScratchFolder downloads{u"qo-downloads"};
    UpdaterState state;
    testing::FakeFrontEnd frontEnd;
    testing::FakeStarter starter;
    CSignatureCheck signatureCheck;
    testing::CountingRestart restarter;
    UpdateServices services{frontEnd,       EnglishStrings(), starter,
                            signatureCheck, restarter,        [] { return 0; }};
    VersionListSource source{state, services};

    Product() {
        state.config.verFileName = kDescription;
        state.config.productName = u"Omnisweep";
        state.config.sites[0].host = "updates.example";
        state.installedFolder = installed.Path() + platform::kPathSeparator;
        state.downloadFolder = downloads.Path();
    }
};

std::string Ascii(std::u16string_view text) {
    return platform::ToUtf8(text);
}

TEST(VersionList, RowsFromTheTwoDescriptions) {
    struct Case {
        const char* name;
        std::optional<std::string> installed;  // none: no such file
        std::optional<std::string> downloaded;
        bool showAllFiles;
        bool showAllOs;
        OsClass running;
        std::vector<std::string> rows;  // <installed> and <downloads>: the folders
        bool upToDate;
        std::string siteVersion;
    };
    const std::string agree =
        "[Version]\r\nProgram "
        "Files\\tool.exe=1.0.0.1\r\ndrivers_2\\DriversXP_amd64\\wipe.sys=2.1.0.0\r\n"
        "[HASH]\r\nrelease=abc\r\n";
    const std::string perSystem =
        "[Version]\r\ndrivers_2\\DriversXP_amd64\\a.sys=1.0.0.0\r\ndrivers_1\\DriversXP_amd64\\b."
        "sys=1.0.0.0\r\n"
        "Program "
        "Files\\c.exe=1.0.0.0\r\nShared\\i386\\d.dll=1.0.0.0\r\nTools\\Extra\\e.dat=1.0.0.0\r\n";
    const std::string perSystemSite =
        "[Version]\nTools\\Extra\\e.dat=1.0.0.0\ndrivers_2\\DriversXP_amd64\\a.sys=1.0.0.1\n"
        "drivers_1\\DriversXP_amd64\\b.sys=1.0.0.0\nProgram "
        "Files\\c.exe=1.0.0.0\nShared\\i386\\d.dll=0.9.0.0\n";
    const Case cases[] = {
        {"every version agrees, all files shown",
         agree,
         agree,
         true,
         true,
         OsClass::W10Amd64,
         {"tool.exe|1.0.0.1|1.0.0.1|Program Files||0",
          "wipe.sys|2.1.0.0|2.1.0.0|drivers|W10_amd64|0"},
         false,
         "1.0.0.1"},
        {"every version agrees, differences only",
         agree,
         agree,
         false,
         true,
         OsClass::W10Amd64,
         {"No differences found|||||0"},
         true,
         "1.0.0.1"},
        {"the components of 64-bit Windows 10",
         perSystem,
         perSystemSite,
         true,
         false,
         OsClass::W10Amd64,
         {"a.sys|1.0.0.0|1.0.0.1|drivers|W10_amd64|1", "c.exe|1.0.0.0|1.0.0.0|Program Files||0",
          "d.dll|1.0.0.0|0.9.0.0|Shared||2", "e.dat|1.0.0.0|1.0.0.0|Tools\\Extra||0"},
         false,
         "1.0.0.1"},
        {"the components of every system",
         perSystem,
         perSystemSite,
         true,
         true,
         OsClass::W10Amd64,
         {"a.sys|1.0.0.0|1.0.0.1|drivers|W10_amd64|1", "b.sys|1.0.0.0|1.0.0.0|drivers|XP_amd64|0",
          "c.exe|1.0.0.0|1.0.0.0|Program Files||0", "d.dll|1.0.0.0|0.9.0.0|Shared||2",
          "e.dat|1.0.0.0|1.0.0.0|Tools\\Extra||0"},
         false,
         "1.0.0.1"},
        {"the components of Linux",
         perSystem,
         perSystemSite,
         false,
         false,
         OsClass::None,
         {"d.dll|1.0.0.0|0.9.0.0|Shared||2"},
         false,
         "1.0.0.1"},
        {"a bare line pairs with the site's first line",
         "[Version]\r\n3.1.0.0\r\nProgram Files\\helper.dll=1.0\r\n",
         "[Version]\r\nProgram Files\\helper.dll=1.0\r\n",
         false,
         false,
         OsClass::Xp,
         {"Omnisweep.exe|3.1.0.0|Program Files\\helper.dll=1.0|Program Files||2"},
         false,
         "Program Files\\helper.dll=1.0"},
        {"two bare lines",
         "[Version]\r\n3.1.0.0\r\n",
         "[Version]\r\n3.2.0.0\r\n",
         false,
         false,
         OsClass::Xp,
         {"Omnisweep.exe|3.1.0.0|3.2.0.0|Program Files||1"},
         false,
         "3.2.0.0"},
        {"a bare line without the site's section stops reading",
         "[Version]\r\n3.1.0.0\r\nProgram Files\\a.dll=1.0.0.0\r\n",
         "[HASH]\r\nProgram Files\\a.dll=2.0.0.0\r\n",
         false,
         false,
         OsClass::Xp,
         {"No differences found|||||0"},
         true,
         ""},
        {"the build suffix is not shown",
         "[Version]\r\nSystem\\drv.sys=2.0.0.1 built by: WinDDK\r\nProgram Files\\x.exe=5 BUILT "
         "BY: winddk\r\n",
         "[Version]\r\nSystem\\drv.sys=2.0.0.1\r\nProgram Files\\x.exe=5\r\n",
         false,
         false,
         OsClass::Xp,
         {"drv.sys|2.0.0.1|2.0.0.1|System|XP|0", "x.exe|5|5|Program Files||0"},
         false,
         "2.0.0.1"},
        {"components the site does not have",
         "[Version]\r\nProgram Files\\gone.dll=1.2.0.0\r\nProgram Files\\zero.dll=0.0.0.0\r\n",
         "[Version]\r\nProgram Files\\other.dll=1.2.0.0\r\n",
         true,
         false,
         OsClass::Xp,
         {"gone.dll|1.2.0.0|Not found|Program Files||2",
          "zero.dll|0.0.0.0|Not found|Program Files||0"},
         false,
         "Not found"},
        {"one number each compares as text",
         "[Version]\r\nProgram Files\\a.dll=1.2\r\nProgram Files\\b.dll=5\r\nc.dll=7\r\n",
         "[Version]\r\nProgram Files\\a.dll=1.10\r\nProgram Files\\b.dll=12\r\nC.DLL = 7,0\r\n",
         true,
         false,
         OsClass::Xp,
         {"a.dll|1.2|1.10|Program Files||1", "b.dll|5|12|Program Files||2", "c.dll|7|7,0|||1"},
         false,
         "1.10"},
        {"the installed section ends at a header; a line without a name",
         "[Version]\r\n=7\r\nProgram Files\\a.dll=1.0.0.0\r\n[HASH]\r\nProgram "
         "Files\\b.dll=1.0.0.0\r\n",
         "[Version]\r\nProgram Files\\a.dll=1.0.0.0\r\n",
         true,
         false,
         OsClass::Xp,
         {"|7|Not found|||2", "a.dll|1.0.0.0|1.0.0.0|Program Files||0"},
         false,
         "Not found"},
        {"no installed description",
         std::nullopt,
         agree,
         true,
         true,
         OsClass::Xp,
         {"renovo.ver|Does not exist||<installed>||0"},
         false,
         ""},
        {"no downloaded description",
         agree,
         std::nullopt,
         false,
         true,
         OsClass::Xp,
         {"renovo.ver||Does not exist|<downloads>||0"},
         false,
         ""},
        {"an installed description without versions",
         "[HASH]\r\nrelease=abc\r\n",
         agree,
         false,
         true,
         OsClass::Xp,
         {},
         false,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Product product;
        if (c.installed)
            product.installed.Write(kDescription, *c.installed);
        if (c.downloaded)
            product.downloads.Write(kDescription, *c.downloaded);
        product.state.settings.showAllFiles = c.showAllFiles;
        product.state.settings.showAllOs = c.showAllOs;
        product.source.osClass = c.running;
        product.source.lastFetch = kFetchDone;
        product.source.siteVersionText = u"left over";
        RowRecorder view;
        view.rows.push_back("left over");

        const bool upToDate = FillVersionList(product.source, view, false);

        std::vector<std::string> expected;
        for (std::string row : c.rows) {
            for (const auto& [token, folder] :
                 {std::pair{std::string("<installed>"), product.state.installedFolder},
                  std::pair{std::string("<downloads>"), product.state.downloadFolder}})
                if (const size_t at = row.find(token); at != std::string::npos)
                    row.replace(at, token.size(), Ascii(folder));
            expected.push_back(row);
        }
        EXPECT_EQ(view.rows, expected);
        EXPECT_EQ(upToDate, c.upToDate);
        EXPECT_EQ(Ascii(product.source.siteVersionText), c.siteVersion);
        EXPECT_TRUE(product.frontEnd.downloadCalls.empty());
    }
}

// A fetch that fails leaves the list empty, shows the fetch's message and is
// tried again by the next fill; once it has worked, a fill fetches only when
// asked to.
TEST(VersionList, FetchesUntilTheDescriptionArrives) {
    Product product;
    product.installed.Write(kDescription, "[Version]\r\nProgram Files\\tool.exe=1.0.0.1\r\n");
    const std::string site = "[Version]\r\nProgram Files\\tool.exe=1.0.0.2\r\n";
    const std::vector<std::string> rows{"tool.exe|1.0.0.1|1.0.0.2|Program Files||1"};
    auto& script = product.frontEnd.downloads["renovo.ver"];
    const auto& calls = product.frontEnd.downloadCalls;
    const auto& shown = product.frontEnd.messages.shown;
    RowRecorder view;
    view.rows.push_back("left over");

    script = {12029, ""};
    EXPECT_FALSE(FillVersionList(product.source, view, false));
    EXPECT_TRUE(view.rows.empty());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].destination, platform::JoinPath(product.state.downloadFolder, kDescription));
    EXPECT_EQ(product.source.lastFetch, kFetchFailed);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].text.find(u"Error in downloading file 'renovo.ver' (12029)"), WString::npos);

    script = {-9, ""};  // stopped by the user: no message
    EXPECT_FALSE(FillVersionList(product.source, view, false));
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(product.source.lastFetch, kFetchStopped);
    EXPECT_EQ(shown.size(), 1u);

    script = {0, site};
    EXPECT_FALSE(FillVersionList(product.source, view, false));
    EXPECT_EQ(view.rows, rows);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(product.source.lastFetch, kFetchDone);

    EXPECT_FALSE(FillVersionList(product.source, view, false));
    EXPECT_EQ(view.rows, rows);
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(product.source.siteVersionText, u"1.0.0.2");

    // A fetch asked for while the site is unreachable empties the list again.
    script = {12007, ""};
    EXPECT_FALSE(FillVersionList(product.source, view, true));
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(calls.size(), 4u);
    EXPECT_EQ(product.source.siteVersionText, u"");
    EXPECT_EQ(shown.size(), 2u);
}

TEST(VersionList, VersionStatesAndShownTexts) {
    struct Case {
        platform::WStringView current;
        platform::WStringView offered;
        int state;
    };
    const Case cases[] = {
        {u"1.2", u"1.10", kVersionNewer},
        {u"5", u"12", kVersionOlder},  // one number each: as text
        {u"1,2,3,4", u"1.2.3.4", kVersionSame},
        {u"1.2.3.4", u"1.2.10.0", kVersionNewer},
        {u"1.0.0.1", u"Not found", kVersionOlder},
        {u"Not found", u"1.0.0.1", kVersionNewer},
        {u"beta", u"alpha", kVersionSame},  // no number on either side
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionState(c.current, c.offered), c.state)
            << Ascii(c.current) << " " << Ascii(c.offered);

    EXPECT_EQ(ShownVersion(u"2.0.0.1 built by: WinDDK"), u"2.0.0.1");
    EXPECT_EQ(ShownVersion(u"2.0.0.1 Built By: WINDDK"), u"2.0.0.1");
    EXPECT_EQ(ShownVersion(u" built by: WinDDK"), u"");
    EXPECT_EQ(ShownVersion(u"2.0.0.1 built by: WinDDK "), u"2.0.0.1 built by: WinDDK ");
    EXPECT_EQ(ShownVersion(u"2.0.0.1 built by: WinDDK built by: WinDDK"),
              u"2.0.0.1 built by: WinDDK");
    EXPECT_EQ(ShownVersion(u"2.0.0.1built by: WinDDK"), u"2.0.0.1built by: WinDDK");
}

}  // namespace
}  // namespace updater
