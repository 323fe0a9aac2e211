// The update program's main window under a driver that plays the user, with
// the version descriptions on a real local HTTP site (site_server.py --run): the
// window fetches the description as it opens, shows its three pages, runs
// Update Now with its button disabled, keeps changed options on Cancel and
// opens where it was moved to. Screenshots land in screens/129-*.png.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "german_language.h"
#include "gui_driver.h"
#include "platform/registry.h"
#include "platform/win32/wide.h"
#include "qo_version.h"
#include "resource.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/wait.h"
#include "updater/app/testing/fake_front_end.h"
#include "updater/app/testing/scratch_registry.h"
#include "updater/app/update_state.h"
#include "updater/app/win32/dialog_creation.h"
#include "updater/app/win32/main_window.h"
#include "updater/config/updater_records.h"
#include "updater/install/testing/fake_starter.h"
#include "updater/support/win32/module_strings.h"
#include "updater/verify/signature_check.h"

namespace updater {
namespace {

using namespace std::chrono_literals;
using platform::WString;

const std::wstring kTitle = L"KV Automatic Update";
constexpr int kFirstPageId = 2000;  // the ids the frame gives its pages

// Refuses every file: the tests never reach the installer.
class RefusingVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile&, std::string&) override { return 1; }
};

HWND Page(HWND frame, int index) {
    return GetDlgItem(frame, kFirstPageId + index);
}

// Runs the main window on this thread while script plays the user on a
// second one; a script that fails closes whatever is left open.
template <class Script>
int Drive(const std::function<int()>& window, Script script) {
    std::thread driver([&] {
        if (!script())
            ADD_FAILURE() << "the driver did not get through its script";
        gui::CloseEverything();
    });
    const int result = window();
    driver.join();
    // The window posts the quit message as it goes; the next run must not
    // see it.
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return result;
}

// Selects a row of a combo box as the user does: the selection and the
// notification of its change.
void ChooseComboRow(HWND page, int id, int row) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}

std::wstring ComboText(HWND page, int id, int row) {
    wchar_t text[512] = {};
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(row),
                        reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

// The titles of the tree's items, in tree order.
std::vector<std::wstring> TreeTitles(HWND frame) {
    HWND tree = GetDlgItem(frame, IDC_MAIN_TREE);
    std::vector<std::wstring> titles;
    for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;
         item = TreeView_GetNextSibling(tree, item)) {
        wchar_t text[256] = {};
        TVITEMW read{};
        read.mask = TVIF_TEXT;
        read.hItem = item;
        read.pszText = text;
        read.cchTextMax = 256;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read));
        titles.emplace_back(text);
    }
    return titles;
}

std::vector<std::wstring> ColumnTitles(HWND page, int id) {
    std::vector<std::wstring> titles;
    for (int column = 0;; ++column) {
        wchar_t text[256] = {};
        LVCOLUMNW read{};
        read.mask = LVCF_TEXT;
        read.pszText = text;
        read.cchTextMax = 256;
        if (!SendDlgItemMessageW(page, id, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                                 reinterpret_cast<LPARAM>(&read)))
            return titles;
        titles.emplace_back(text);
    }
}

struct OwnedSearch {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<OwnedSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
        GetWindow(window, GW_OWNER) == search->owner)
        search->found = window;
    return search->found == nullptr;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    reinterpret_cast<std::vector<std::wstring>*>(param)->push_back(WindowText(child));
    return TRUE;
}

// The texts of a visible window of this process owned by owner (the folder
// browser), which is then cancelled; empty when none opens.
std::vector<std::wstring> OwnedWindowTexts(HWND owner) {
    OwnedSearch search{owner};
    qo::test::WaitUntil([&] {
        EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    std::vector<std::wstring> texts;
    if (search.found == nullptr)
        return texts;
    EnumChildWindows(search.found, CollectText, reinterpret_cast<LPARAM>(&texts));
    PostMessageW(search.found, WM_COMMAND, IDCANCEL, 0);
    gui::WaitGone(search.found);
    return texts;
}

bool Contains(const std::vector<std::wstring>& texts, const std::wstring& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// A creation whose Unicode dialog functions fail: the window is made by the
// narrow-text ones.
class NarrowCreation : public DialogCreation {
  public:
    INT_PTR BoxW(HINSTANCE, unsigned, HWND, DLGPROC, LPARAM) override {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return -1;
    }
};

bool SelectPage(HWND frame, int index) {
    PostMessageW(frame, kMsgSelectPage, static_cast<WPARAM>(index), 0);
    return qo::test::WaitUntil([&] { return IsWindowVisible(Page(frame, index)) != FALSE; });
}

class RenovoGui : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("QO_SITE_PORT"), nullptr) << "run under site_server.py --run";
        site_ =
            WString(reinterpret_cast<const char16_t*>(gui::WinePath("QO_SITE_DIR", "").c_str()));
        // The product name names the main record: one of its own per test.
        const WString unique = testing::UniqueName(u"");
        product_ = u"Omnisweep " + unique.substr(unique.size() - 6);
        CreateDirectoryW(platform::Wide(site_ + u"\\mirror"), nullptr);
        WriteSite(u"product.ver", "3.2.0.0");
        WriteSite(u"mirror\\product.ver", "3.3.0.0");
        scratch_.Write(u"product.ver", Description("3.1.0.0", "release-3.1"));
        WriteConfig(std::getenv("QO_SITE_PORT"));
        Fresh();
    }

    // renovo.cfg with the site and its mirror on port.
    void WriteConfig(const std::string& port) {
        config_ = scratch_.Write(u"renovo.cfg",
                                 "[Main]\r\nVerFileName=product.ver\r\nExeFileName=setup.exe\r\n"
                                 "ProductName=" +
                                     platform::ToUtf8(product_) +
                                     "\r\nProductVer=3.1\r\n"
                                     "[URL]\r\nAddress=127.0.0.1\r\nPort=" +
                                     port +
                                     "\r\n[URL1]\r\nAddress=127.0.0.1\r\nDownloadDir=mirror\r\n"
                                     "Port=" +
                                     port + "\r\n");
    }

    // The program-wide state as the start-up leaves it: defaults, then the
    // main record when there is one.
    void Fresh() {
        state_ = std::make_unique<UpdaterState>();
        state_->config.productName = product_;
        state_->installedFolder = scratch_.Path() + u"\\";
        state_->downloadFolder = scratch_ / u"download";
        CreateDirectoryW(platform::Wide(state_->downloadFolder), nullptr);  // as the start-up does
        state_->title = u"KV Automatic Update";
        state_->mainRecord.Prepare(product_);
        WString stored;
        if (state_->mainRecord.Read(nullptr, state_->settings, stored) && !stored.empty())
            state_->downloadFolder = stored;
    }

    static std::string Description(const std::string& program, const std::string& release) {
        return "[Version]\r\nProgram Files\\Omnisweep.exe=" + program +
               "\r\nShared\\i386\\common.dll=2.0.0.0\r\n[HASH]\r\n" + release + "\r\n";
    }
    void WriteSite(const WString& name, const std::string& program) {
        qo::test::WriteFileBytes(site_ + u"\\" + name, Description(program, "release-" + program));
    }
    // The paths the site was asked for, in order.
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::istringstream log(qo::test::ReadFileBytes(site_ + u"\\requests.log"));
        for (std::string line; std::getline(log, line);)
            lines.push_back(line);
        return lines;
    }

    // The main record's value as stored.
    std::string StoredRecordBytes() const {
        platform::RegistryKey key;
        std::vector<uint8_t> bytes;
        uint32_t type = 0;
        if (key.Open(platform::Hive::CurrentUser, kUpdaterKeyPath, platform::kKeyRead) != 0 ||
            key.QueryBytes(product_, type, bytes) != 0)
            return {};
        return std::string(bytes.begin(), bytes.end());
    }

    int Run(int initialPage = kPageOptions) {
        auto clock = [] { return int64_t{1700000000}; };
        auto load = [this](MessageOwner& owner, UpdateConfig& config) {
            return LoadUpdateConfig(config_, &owner, config);
        };
        // The program's own front end (dialogs 134, 140, 141 and 139).
        UpdateServices flow{desktopFrontEnd_, strings_, starter_, check_, restarter_, clock};
        MainWindowServices services{flow, {}, load};
        return RunMainWindow(GetModuleHandleW(nullptr), *state_, services, initialPage);
    }

    testing::ScratchRegistry registry_;
    qo::test::ScratchFolder scratch_{u"qo renovo gui"};
    WString site_;
    WString product_;
    WString config_;
    std::unique_ptr<UpdaterState> state_;
    ModuleStrings strings_{GetModuleHandleW(nullptr)};
    testing::FakeStarter starter_;
    RefusingVerifier verifier_;
    CSignatureCheck check_{SignatureCheckSetup{&verifier_, {"Korvane"}, u"", false, false}};
    testing::CountingRestart restarter_;
    // The start-up's front end, which the window replaces with its own.
    testing::FakeFrontEnd desktopFrontEnd_;
};

TEST_F(RenovoGui, OpensWithTheSitesDescriptionAndShowsItsThreePages) {
    const size_t before = Requests().size();
    const int result =
        Drive([&] { return Run(); },
              [&] {
                  HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
                  if (!frame)
                      return false;
                  // The description was fetched from the first site as the window opened.
                  const std::vector<std::string> asked = Requests();
                  EXPECT_EQ(std::vector<std::string>(asked.begin() + static_cast<ptrdiff_t>(before),
                                                     asked.end()),
                            std::vector<std::string>{"/product.ver"});
                  EXPECT_EQ(gui::TextOf(frame, IDC_MAIN_TITLE),
                            L"Automatic update for " + std::wstring(platform::Wide(product_)) +
                                L" v.3.1");
                  HWND options = Page(frame, kPageOptions);
                  EXPECT_TRUE(IsWindowVisible(options));
                  EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_STATUS),
                            L"Download and install setup.exe file  ( site version 3.2.0.0 )");
                  EXPECT_EQ(gui::ComboCount(options, IDC_OPTIONS_SITE), 2);
                  EXPECT_EQ(ComboText(options, IDC_OPTIONS_SITE, 0), L"http://127.0.0.1");
                  EXPECT_EQ(ComboText(options, IDC_OPTIONS_SITE, 1), L"http://127.0.0.1/mirror");
                  EXPECT_EQ(ComboText(options, IDC_OPTIONS_PERIOD, 1), L"Weekly");
                  EXPECT_TRUE(gui::IsChecked(options, IDC_OPTIONS_AUTO_UPDATE));
                  EXPECT_TRUE(gui::IsEnabled(options, IDC_OPTIONS_PERIOD));
                  EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_FOLDER),
                            std::wstring(platform::Wide(state_->downloadFolder)));
                  EXPECT_TRUE(gui::SaveScreenshot(frame, "129-options"));

                  if (!SelectPage(frame, kPageVersions))
                      return false;
                  HWND versions = Page(frame, kPageVersions);
                  EXPECT_FALSE(IsWindowVisible(options));
                  EXPECT_EQ(gui::ListCount(versions, IDC_VERSIONS_LIST), 2);
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 0, 0), L"Omnisweep.exe");
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 0, 1), L"3.1.0.0");
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 0, 2), L"3.2.0.0");
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 0, 3), L"Program Files");
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 1, 0), L"common.dll");
                  EXPECT_EQ(gui::ListText(versions, IDC_VERSIONS_LIST, 1, 3), L"Shared");
                  EXPECT_TRUE(gui::IsChecked(versions, IDC_VERSIONS_ALL_FILES));
                  EXPECT_TRUE(gui::SaveScreenshot(frame, "129-versions"));
                  // Without "Show all files" only the file that differs is listed.
                  gui::Click(versions, IDC_VERSIONS_ALL_FILES);
                  EXPECT_EQ(state_->settings.showAllFiles, 0);
                  EXPECT_EQ(gui::ListCount(versions, IDC_VERSIONS_LIST), 1);

                  if (!SelectPage(frame, kPageAbout))
                      return false;
                  HWND about = Page(frame, kPageAbout);
                  EXPECT_EQ(gui::TextOf(about, IDC_ABOUT_TEXT),
                            L"KV Automatic Update v. " QO_VERSION_TEXT);
                  EXPECT_EQ(gui::TextOf(about, IDC_ABOUT_COPYRIGHT), L"" QO_COPYRIGHT);
                  EXPECT_TRUE(gui::SaveScreenshot(frame, "129-about"));

                  // Another site: its description is fetched and shown at once.
                  if (!SelectPage(frame, kPageOptions))
                      return false;
                  ChooseComboRow(options, IDC_OPTIONS_SITE, 1);
                  EXPECT_EQ(state_->settings.siteIndex, 1);
                  EXPECT_EQ(Requests().back(), "/mirror/product.ver");
                  EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_STATUS),
                            L"Download and install setup.exe file  ( site version 3.3.0.0 )");
                  gui::Click(frame, IDOK);
                  return gui::WaitGone(frame);
              });
    EXPECT_EQ(result, IDOK);
}

TEST_F(RenovoGui, UpdateNowRunsWithItsButtonDisabledAndReports) {
    const int result =
        Drive([&] { return Run(); },
              [&] {
                  HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
                  if (!frame)
                      return false;
                  HWND options = Page(frame, kPageOptions);
                  EXPECT_TRUE(gui::IsEnabled(options, IDC_OPTIONS_UPDATE_NOW));
                  gui::Click(options, IDC_OPTIONS_UPDATE_NOW);
                  // The site offers another release: the download question comes up
                  // while the button stays disabled.
                  HWND question = gui::WaitForWindow(kTitle, IDNO, 30s, true);
                  if (!question)
                      return false;
                  EXPECT_FALSE(gui::IsEnabled(options, IDC_OPTIONS_UPDATE_NOW));
                  EXPECT_TRUE(gui::SaveScreenshot(question, "129-update-now-question"));
                  gui::Click(question, IDNO);
                  const gui::MessageBoxSeen report = gui::WaitForMessageBox(L"Renovo", 30s);
                  EXPECT_EQ(report.text, L"Installation cancelled");
                  EXPECT_FALSE(gui::IsEnabled(options, IDC_OPTIONS_UPDATE_NOW));
                  gui::Answer(report, IDOK);
                  EXPECT_TRUE(qo::test::WaitUntil(
                      [&] { return gui::IsEnabled(options, IDC_OPTIONS_UPDATE_NOW); }));
                  gui::Click(frame, IDCANCEL);
                  return gui::WaitGone(frame);
              });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(starter_.calls.empty());
}

// OK while the worker still asks its question: the window waits for the run
// (whose dialogs keep working) and ends after its report.
TEST_F(RenovoGui, ClosingDuringUpdateNowWaitsForTheRun) {
    const int result = Drive([&] { return Run(); },
                             [&] {
                                 HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
                                 if (!frame)
                                     return false;
                                 gui::Click(Page(frame, kPageOptions), IDC_OPTIONS_UPDATE_NOW);
                                 HWND question = gui::WaitForWindow(kTitle, IDNO, 30s, true);
                                 if (!question)
                                     return false;
                                 PostMessageW(frame, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                 gui::Click(question, IDNO);
                                 const gui::MessageBoxSeen report =
                                     gui::WaitForMessageBox(L"Renovo", 30s);
                                 EXPECT_EQ(report.text, L"Installation cancelled");
                                 EXPECT_TRUE(IsWindowVisible(frame));
                                 gui::Answer(report, IDOK);
                                 return gui::WaitGone(frame, 30s);
                             });
    EXPECT_EQ(result, IDOK);
}

// renovo.cfg unreadable when the window opens: the reader's message, and the
// window ends with 0.
TEST_F(RenovoGui, AConfigurationThatCannotBeReadEndsTheWindowWith0) {
    // A stored place and folder, which a window that never opened keeps.
    state_->settings.period = kPeriodMonthly;
    ASSERT_TRUE(state_->mainRecord.Save(nullptr, state_->settings, u"C:\\kept"));
    const std::string stored = StoredRecordBytes();
    config_ = scratch_ / u"missing.cfg";
    const int result =
        Drive([&] { return Run(); },
              [&] {
                  const gui::MessageBoxSeen box = gui::WaitForMessageBox(L"Renovo", 30s);
                  EXPECT_EQ(box.text.rfind(L"Error in opening file\n'", 0), 0u) << box.text;
                  gui::Answer(box, IDOK);
                  return box.window != nullptr;
              });
    EXPECT_EQ(result, kMainWindowNoConfig);
    EXPECT_EQ(StoredRecordBytes(), stored);
}

TEST_F(RenovoGui, CancelKeepsTheOptionsAndTheWindowOpensWhereItWasLeft) {
    RECT moved{};
    int result = Drive([&] { return Run(); },
                       [&] {
                           HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
                           if (!frame)
                               return false;
                           HWND options = Page(frame, kPageOptions);
                           gui::Click(options, IDC_OPTIONS_AUTO_UPDATE);
                           EXPECT_FALSE(gui::IsChecked(options, IDC_OPTIONS_AUTO_UPDATE));
                           EXPECT_FALSE(gui::IsEnabled(options, IDC_OPTIONS_CONFIRM_DOWNLOAD));
                           EXPECT_FALSE(gui::IsEnabled(options, IDC_OPTIONS_PERIOD));
                           EXPECT_FALSE(gui::IsEnabled(options, IDC_OPTIONS_PERIOD_LABEL));
                           ChooseComboRow(options, IDC_OPTIONS_PERIOD, 0);
                           // Moved and made larger by the user; the list's first column wider.
                           RECT now{};
                           GetWindowRect(frame, &now);
                           SetWindowPos(frame, nullptr, 20, 10, now.right - now.left + 40,
                                        now.bottom - now.top + 30, SWP_NOZORDER);
                           GetWindowRect(frame, &moved);
                           SendDlgItemMessageW(Page(frame, kPageVersions), IDC_VERSIONS_LIST,
                                               LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(200, 0));
                           PostMessageW(frame, WM_CLOSE, 0, 0);
                           return gui::WaitGone(frame);
                       });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(state_->settings.autoUpdateOff, 1);
    EXPECT_EQ(state_->settings.period, 0);

    Fresh();  // a new run reads the record
    EXPECT_EQ(state_->settings.autoUpdateOff, 1);
    EXPECT_EQ(state_->settings.period, 0);
    result = Drive(
        [&] { return Run(kPageVersions); },
        [&] {
            HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
            if (!frame)
                return false;
            RECT placed{};
            GetWindowRect(frame, &placed);
            EXPECT_EQ(placed.left, moved.left);
            EXPECT_EQ(placed.top, moved.top);
            EXPECT_EQ(placed.right, moved.right);
            EXPECT_EQ(placed.bottom, moved.bottom);
            HWND versions = Page(frame, kPageVersions);
            EXPECT_TRUE(IsWindowVisible(versions));
            EXPECT_EQ(SendDlgItemMessageW(versions, IDC_VERSIONS_LIST, LVM_GETCOLUMNWIDTH, 0, 0),
                      200);
            EXPECT_EQ(SendDlgItemMessageW(versions, IDC_VERSIONS_LIST, LVM_GETCOLUMNWIDTH, 4, 0),
                      63);
            HWND options = Page(frame, kPageOptions);
            EXPECT_FALSE(gui::IsChecked(options, IDC_OPTIONS_AUTO_UPDATE));
            EXPECT_EQ(SendDlgItemMessageW(options, IDC_OPTIONS_PERIOD, CB_GETCURSEL, 0, 0), 0);
            gui::Click(frame, IDOK);
            return gui::WaitGone(frame);
        });
    EXPECT_EQ(result, IDOK);
    // With auto update off the download question is always asked.
    EXPECT_EQ(state_->settings.confirmDownload, 1);
}

// With the German language every text of the window is German: the caption,
// the tree, the header, the status line with its site version (or the text
// for a current product), the period list, the folder browser's title, the
// list's columns and the About text.
TEST_F(RenovoGui, EveryTextOfTheWindowGoesThroughTheLanguage) {
    cLangFile lang;
    ASSERT_TRUE(testing::StartGerman(lang, scratch_));
    WriteSite(u"product.ver", "3.1.0.0");  // nothing differs on the first site
    state_->settings.showAllFiles = 0;
    const std::wstring title = L"KV Automatische Aktualisierung";
    const std::wstring product(platform::Wide(product_));
    const int result = Drive(
        [&] { return Run(); },
        [&] {
            HWND frame = gui::WaitForWindow(title, IDC_MAIN_TREE, 30s);
            if (!frame)
                return false;
            EXPECT_EQ(TreeTitles(frame),
                      (std::vector<std::wstring>{L"Aktualisierungsoptionen",
                                                 L"Versionsinformationen", L"Info"}));
            EXPECT_EQ(gui::TextOf(frame, IDC_MAIN_TITLE),
                      L"Automatische Aktualisierung f\u00fcr " + product + L" v.3.1");
            HWND options = Page(frame, kPageOptions);
            EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_STATUS), L"Die Version ist aktuell.");
            EXPECT_EQ(ComboText(options, IDC_OPTIONS_PERIOD, 0), L"T\u00e4glich");
            EXPECT_EQ(ComboText(options, IDC_OPTIONS_PERIOD, 1), L"W\u00f6chentlich");
            EXPECT_EQ(ComboText(options, IDC_OPTIONS_PERIOD, 2), L"Monatlich");
            ChooseComboRow(options, IDC_OPTIONS_SITE, 1);
            EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_STATUS),
                      L"Datei setup.exe herunterladen und installieren"
                      L"  ( Version auf dem Server: 3.3.0.0 )");
            EXPECT_TRUE(gui::SaveScreenshot(frame, "129-options-de"));
            gui::Click(options, IDC_OPTIONS_BROWSE);
            EXPECT_TRUE(Contains(OwnedWindowTexts(frame), L"Download-Ordner ausw\u00e4hlen."));
            EXPECT_EQ(ColumnTitles(Page(frame, kPageVersions), IDC_VERSIONS_LIST),
                      (std::vector<std::wstring>{L"Dateiname", L"Aktuelle Version", L"Neue Version",
                                                 L"Speicherort", L"BS"}));
            EXPECT_EQ(gui::TextOf(Page(frame, kPageAbout), IDC_ABOUT_TEXT),
                      title + L" Version " QO_VERSION_TEXT);
            // The caption last: the window shows it all along.
            EXPECT_EQ(WindowText(frame), title);
            gui::Click(frame, IDOK);
            return gui::WaitGone(frame);
        });
    EXPECT_EQ(result, IDOK);
    lang.LoadLanguage(u"");
}

// A window made by the narrow-text dialog functions switches its pages: its
// tree asked for Unicode notices before the window's initialisation, and a
// narrow notice is understood too.
TEST_F(RenovoGui, AWindowMadeWithNarrowTextSwitchesItsPages) {
    NarrowCreation narrow;
    SetDialogCreation(&narrow);
    const int result = Drive(
        [&] { return Run(); },
        [&] {
            HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
            if (!frame)
                return false;
            EXPECT_FALSE(IsWindowUnicode(frame));
            EXPECT_TRUE(SendDlgItemMessageW(frame, IDC_MAIN_TREE, TVM_GETUNICODEFORMAT, 0, 0));
            EXPECT_TRUE(SelectPage(frame, kPageVersions));
            // The narrow notice of a change from the Versions page to About.
            HWND tree = GetDlgItem(frame, IDC_MAIN_TREE);
            NMTREEVIEWA change{};
            change.hdr = {tree, IDC_MAIN_TREE, TVN_SELCHANGINGA};
            change.itemOld.hItem = TreeView_GetNextSibling(tree, TreeView_GetRoot(tree));
            change.itemOld.lParam = kPageVersions;
            change.itemNew.hItem = TreeView_GetLastVisible(tree);
            change.itemNew.lParam = kPageAbout;
            SendMessageW(frame, WM_NOTIFY, IDC_MAIN_TREE, reinterpret_cast<LPARAM>(&change));
            EXPECT_TRUE(IsWindowVisible(Page(frame, kPageAbout)));
            EXPECT_FALSE(IsWindowVisible(Page(frame, kPageVersions)));
            gui::Click(frame, IDOK);
            return gui::WaitGone(frame);
        });
    SetDialogCreation(nullptr);
    EXPECT_EQ(result, IDOK);
}

TEST_F(RenovoGui, AnUnreachableSiteIsReportedAndLeavesTheListEmpty) {
    WriteConfig("1");  // nothing listens there: the connection is refused
    auto expectFetchError = [](const gui::MessageBoxSeen& box) {
        EXPECT_EQ(box.text.rfind(L"Error in downloading file 'product.ver' (", 0), 0u) << box.text;
        EXPECT_NE(box.text.find(L"\nFrom:\t http://127.0.0.1/\n"), std::wstring::npos) << box.text;
    };
    const int result = Drive(
        [&] { return Run(); },
        [&] {
            // The fetch at the window's opening fails with its message.
            const gui::MessageBoxSeen opening = gui::WaitForMessageBox(kTitle, 30s);
            if (!opening.window)
                return false;
            expectFetchError(opening);
            gui::Answer(opening, IDOK);
            HWND frame = gui::WaitForWindow(kTitle, IDC_MAIN_TREE, 30s);
            if (!frame)
                return false;
            HWND options = Page(frame, kPageOptions);
            EXPECT_EQ(gui::TextOf(options, IDC_OPTIONS_STATUS),
                      L"Download and install setup.exe file");
            // The Versions page tries again as it is shown, and stays empty.
            PostMessageW(frame, kMsgSelectPage, kPageVersions, 0);
            const gui::MessageBoxSeen again = gui::WaitForMessageBox(kTitle, 30s);
            if (!again.window)
                return false;
            expectFetchError(again);
            gui::Answer(again, IDOK);
            HWND versions = Page(frame, kPageVersions);
            EXPECT_TRUE(qo::test::WaitUntil([&] { return IsWindowVisible(versions) != FALSE; }));
            EXPECT_EQ(gui::ListCount(versions, IDC_VERSIONS_LIST), 0);
            gui::Click(frame, IDCANCEL);
            return gui::WaitGone(frame);
        });
    EXPECT_EQ(result, IDCANCEL);
}

}  // namespace
}  // namespace updater
