// UpdateCheck and FetchFile over a scripted front end, a fake process starter
// and a signature check with a verifier that answers from the test; the
// version descriptions and the installer are real files in scratch folders,
// read and hashed by the flow itself.
#include "updater/app/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/app/testing/fake_front_end.h"
#include "updater/app/testing/scratch_registry.h"
#include "updater/app/updater_strings.h"
#include "updater/install/testing/fake_starter.h"
#include "updater/net/testing/fake_language.h"
#include "updater/support/testing/message_recorder.h"
#include "updater/verify/digest.h"
#include "updater/verify/hash_list.h"

namespace updater {
namespace {

using platform::WString;
using Names = std::vector<std::string>;

constexpr int64_t kNow = 1767225600;  // 2026-01-01 00:00 UTC
constexpr char kVer[] = "omnisweep.ver";
constexpr char kExe[] = "QuelixOmnisweepSetup.exe";
constexpr char kInstaller[] = "MZ the new installer";
constexpr char kSigner[] = "CN=Korvane Test";

class TableVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile&, std::string& signer) override {
        signer = result == 0 ? kSigner : "";
        return result;
    }
    long result = 0;
};

// What one run of UpdateCheck meets and what it must do.
struct Case {
    const char* name;
    bool scheduled = false;
    bool sameRelease = false;
    int reinstallAnswer = kAnswerNo;  // string 138
    uint8_t confirmDownload = 1;
    int downloadAnswer = kAnswerYes;
    bool releaseNotes = false;
    int32_t descriptionDownload = 0;
    int32_t installerDownload = 0;
    std::optional<std::string> storedInstaller{};  // already in the download folder
    long verifierResult = 0;
    bool administrator = true;
    bool consentPrompt = true;
    long startError = 0;
    ExitStatus status{ExitStatus::Kind::Exited, 1};
    int restartAnswer = kRestartNow;
    bool askBeforeRestart = true;
    // Expected:
    int result = 0;
    Names downloads{};
    size_t questions = 0;  // download questions
    size_t messages = 0;   // message boxes of any kind
    size_t starts = 0;
    size_t restartQuestions = 0;
    int restarts = 0;
};

class Flow : public ::testing::Test {
  protected:
    Flow() {
        installed_ = scratch_ / u"installed";
        downloads_ = scratch_ / u"downloads";
        EXPECT_TRUE(platform::CreateFolder(installed_));
        EXPECT_TRUE(platform::CreateFolder(downloads_));
        state_.config.verFileName = platform::FromUtf8(kVer);
        state_.config.exeFileName = platform::FromUtf8(kExe);
        state_.config.productName = testing::UniqueName(u"Quelix Omnisweep ");
        state_.config.sites[0] = Site("updates.example", "omnisweep");
        state_.config.sites[1] = Site("mirror.example", "");
        state_.installedFolder = installed_;
        state_.downloadFolder = downloads_;
        state_.mainRecord.Prepare(state_.config.productName);
        state_.settings = UpdateSettings::FromConfig(state_.config);
    }

    static DownloadSite Site(const char* host, const char* directory) {
        DownloadSite site;
        site.host = host;
        site.directory = directory;
        site.port = 80;
        site.service = kHttpService;
        return site;
    }

    // The SHA-512 text of bytes, as a version description lists it.
    std::string DigestOf(const std::string& bytes) {
        const WString path = scratch_.Write(u"digest-input", bytes);
        WString text;
        testing::MessageRecorder messages;
        EXPECT_TRUE(FileDigestText(path, kSha512, text, kDigestLineCapacity, messages));
        return platform::ToUtf8(text);
    }

    std::string SiteDescription(const std::string& release) {
        return "[HASH]\r\n" + release + "\r\n[COMMON_HASH_SHA512-" + kExe + "]\r\n" +
               DigestOf(kInstaller) + "\r\n";
    }

    UpdateServices Services() {
        return UpdateServices{front_,     EnglishStrings(),    starter_,  check_,
                              restarter_, [] { return kNow; }, &language_};
    }

    bool RecordStored() {
        platform::RegistryKey key;
        uint32_t type = 0;
        std::vector<uint8_t> data;
        return key.Open(platform::Hive::CurrentUser, kUpdaterKeyPath, platform::kKeyRead) == 0 &&
               key.QueryBytes(state_.config.productName, type, data) == 0;
    }

    testing::ScratchRegistry registry_;
    qo::test::ScratchFolder scratch_{u"qo flow"};
    WString installed_;
    WString downloads_;
    UpdaterState state_;
    testing::FakeFrontEnd front_;
    testing::FakeStarter starter_;
    TableVerifier verifier_;
    CSignatureCheck check_{SignatureCheckSetup{&verifier_, {kSigner}, u"", false, false}};
    testing::CountingRestart restarter_;
    testing::FakeLanguage language_;
};

const ExitStatus Exit(uint32_t code) {
    return {ExitStatus::Kind::Exited, code};
}

TEST_F(Flow, UpdateCheckFollowsTheAnswersAndTheInstallersExitCode) {
    const Names both{kVer, kExe};
    const Names description{kVer};
    const std::vector<Case> cases = {
        {.name = "current, scheduled",
         .scheduled = true,
         .sameRelease = true,
         .result = 1,
         .downloads = description},
        {.name = "current, No to re-install",
         .sameRelease = true,
         .reinstallAnswer = kAnswerNo,
         .result = 4,
         .downloads = description,
         .messages = 1},
        {.name = "current, Yes to re-install",
         .sameRelease = true,
         .reinstallAnswer = kAnswerYes,
         .result = 1,
         .downloads = both,
         .messages = 1,
         .starts = 1},
        {.name = "download Yes", .result = 1, .downloads = both, .questions = 1, .starts = 1},
        {.name = "download No",
         .downloadAnswer = kAnswerNo,
         .result = 2,
         .downloads = description,
         .questions = 1},
        {.name = "download question closed",
         .downloadAnswer = kCommandCancel,
         .result = 2,
         .downloads = description,
         .questions = 1},
        {.name = "view details",
         .downloadAnswer = kAnswerViewDetails,
         .result = 5,
         .downloads = description,
         .questions = 1},
        {.name = "view details, scheduled",
         .scheduled = true,
         .downloadAnswer = kAnswerViewDetails,
         .result = 5,
         .downloads = description,
         .questions = 1},
        {.name = "no view details beside release notes",
         .downloadAnswer = kAnswerViewDetails,
         .releaseNotes = true,
         .result = 2,
         .downloads = description,
         .questions = 1},
        {.name = "no question without confirm",
         .confirmDownload = 0,
         .result = 1,
         .downloads = both,
         .starts = 1},
        {.name = "exit 0",
         .status = Exit(0),
         .result = 0,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "exit 4",
         .status = Exit(4),
         .result = 2,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "exit 5",
         .status = Exit(5),
         .result = 1,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "exit 3, restart now",
         .status = Exit(3),
         .result = 1,
         .downloads = both,
         .questions = 1,
         .starts = 1,
         .restartQuestions = 1,
         .restarts = 1},
        {.name = "exit 3, later",
         .status = Exit(3),
         .restartAnswer = kRestartLater,
         .result = 4,
         .downloads = both,
         .questions = 1,
         .starts = 1,
         .restartQuestions = 1},
        {.name = "exit 3, not asked",
         .status = Exit(3),
         .askBeforeRestart = false,
         .result = 1,
         .downloads = both,
         .questions = 1,
         .starts = 1,
         .restarts = 1},
        {.name = "signature refused",
         .verifierResult = TrustResult(kTrustNoSignature),
         .result = 2,
         .downloads = both,
         .questions = 1,
         .messages = 1},
        {.name = "no elevation",
         .administrator = false,
         .consentPrompt = false,
         .result = 2,
         .downloads = both,
         .questions = 1},
        {.name = "prompt declined",
         .administrator = false,
         .startError = 1223,
         .result = 2,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "prompt accepted",
         .administrator = false,
         .status = Exit(1),
         .result = 1,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "start failed",
         .startError = 2,
         .result = 0,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "installer crashed",
         .status = {ExitStatus::Kind::Crashed, 139},
         .result = 0,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "matching installer reused",
         .storedInstaller = kInstaller,
         .result = 1,
         .downloads = description,
         .starts = 1},
        {.name = "mismatching installer fetched again",
         .storedInstaller = "MZ an old one",
         .result = 1,
         .downloads = both,
         .questions = 1,
         .starts = 1},
        {.name = "description stopped",
         .descriptionDownload = -9,
         .result = 2,
         .downloads = description},
        {.name = "description failed",
         .descriptionDownload = -14,
         .result = -1,
         .downloads = description,
         .messages = 1},
        {.name = "description failed, scheduled",
         .scheduled = true,
         .descriptionDownload = -14,
         .result = -1,
         .downloads = description},
        {.name = "installer stopped",
         .installerDownload = -9,
         .result = 0,
         .downloads = both,
         .questions = 1},
        {.name = "installer failed",
         .installerDownload = -14,
         .result = 0,
         .downloads = both,
         .questions = 1,
         .messages = 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::ScratchRegistry registry;
        qo::test::ScratchFolder downloads{u"qo flow downloads"};
        qo::test::WriteFileBytes(platform::JoinPath(installed_, platform::FromUtf8(kVer)),
                                 SiteDescription("r1"));
        if (c.storedInstaller)
            downloads.Write(platform::FromUtf8(kExe), *c.storedInstaller);
        state_.downloadFolder = downloads.Path();
        // A record of its own (on Windows all cases share one registry).
        state_.config.productName = testing::UniqueName(u"Quelix Omnisweep ");
        state_.mainRecord.Prepare(state_.config.productName);
        state_.interactiveMode = c.scheduled ? 0 : 1;
        state_.downloadQuestionAnswered = false;
        state_.config.releaseNotesUrl = c.releaseNotes ? u"https://example.test/notes" : u"";
        state_.settings = UpdateSettings::FromConfig(state_.config);
        state_.settings.confirmDownload = c.confirmDownload;
        front_ = testing::FakeFrontEnd{};
        front_.downloads[kVer] = {c.descriptionDownload,
                                  SiteDescription(c.sameRelease ? "r1" : "r2")};
        front_.downloads[kExe] = {c.installerDownload, kInstaller};
        front_.messages.answers = {c.reinstallAnswer};
        front_.downloadAnswer = c.downloadAnswer;
        front_.restart.answer = c.restartAnswer;
        starter_ = testing::FakeStarter{};
        starter_.administrator = c.administrator;
        starter_.consentPrompt = c.consentPrompt;
        starter_.startError = c.startError;
        starter_.status = c.status;
        verifier_.result = c.verifierResult;
        restarter_.requests = 0;

        UpdateServices services = Services();
        EXPECT_EQ(UpdateCheck(state_, services, c.askBeforeRestart), c.result);
        EXPECT_EQ(front_.DownloadedNames(), c.downloads);
        EXPECT_EQ(front_.downloadQuestions.size(), c.questions);
        EXPECT_EQ(front_.messages.shown.size(), c.messages);
        EXPECT_EQ(starter_.calls.size(), c.starts);
        EXPECT_EQ(front_.restart.asked.size(), c.restartQuestions);
        EXPECT_EQ(restarter_.requests, c.restarts);
        EXPECT_EQ(state_.settings.lastCheck, kNow);
        EXPECT_EQ(state_.title, u"KV Automatic Update");
        // The record is saved once the description is in.
        EXPECT_EQ(RecordStored(), c.descriptionDownload == 0);
        // A re-install does not change the stored confirm download.
        EXPECT_EQ(state_.settings.confirmDownload, c.confirmDownload);
        if (c.starts == 1 && c.administrator) {
            EXPECT_EQ(
                starter_.calls[0].line,
                u"\"" + platform::JoinPath(downloads.Path(), platform::FromUtf8(kExe)) + u"\" -H");
        }
        if (c.starts == 1) {
            EXPECT_EQ(qo::test::ReadFileBytes(downloads / platform::FromUtf8(kExe)), kInstaller);
        }
    }
}

// A check takes its folder and site when it starts: the window may change
// both meanwhile (here: while the description downloads).
TEST_F(Flow, ACheckKeepsTheFolderAndSiteItStartedWith) {
    qo::test::WriteFileBytes(platform::JoinPath(installed_, platform::FromUtf8(kVer)),
                             SiteDescription("r0"));
    front_.downloads[kVer] = {0, SiteDescription("r1")};
    front_.downloads[kExe] = {0, kInstaller};
    state_.settings.confirmDownload = 0;
    starter_.administrator = true;
    starter_.status = Exit(1);
    const CheckInputs inputs = CheckInputsOf(state_);
    const WString elsewhere = scratch_ / u"elsewhere";
    ASSERT_TRUE(platform::CreateFolder(elsewhere));
    front_.onDownload = [&] {
        state_.downloadFolder = elsewhere;
        state_.settings.siteIndex = 1;
    };
    UpdateServices services = Services();
    EXPECT_EQ(UpdateCheck(state_, services, true, inputs), kCheckInstalled);
    ASSERT_EQ(front_.downloadCalls.size(), 2u);
    for (const testing::DownloadCall& call : front_.downloadCalls) {
        EXPECT_EQ(call.site.host, "updates.example");
        EXPECT_EQ(platform::ParentFolder(call.destination), downloads_);
    }
    ASSERT_EQ(starter_.calls.size(), 1u);
    EXPECT_EQ(starter_.calls[0].line,
              u"\"" + platform::JoinPath(downloads_, platform::FromUtf8(kExe)) + u"\" -H");
}

#ifndef _WIN32
// A download folder that another user could change is not used, in the
// scheduled run too: the message names it and why; nothing is fetched or run.
TEST_F(Flow, RefusesADownloadFolderOthersCouldChange) {
    const WString shared = scratch_ / u"shared";
    ASSERT_TRUE(platform::CreateFolder(shared));
    chmod(platform::ToUtf8(shared).c_str(), 0777);
    const WString link = scratch_ / u"link";
    ASSERT_EQ(symlink(platform::ToUtf8(downloads_).c_str(), platform::ToUtf8(link).c_str()), 0);
    struct Case {
        WString folder;
        const char16_t* why;
    };
    std::vector<Case> cases = {{shared, u"other users may write in it"},
                               {link, u"it is a symbolic link"}};
    if (geteuid() == 0) {
        const WString other = scratch_ / u"other";
        ASSERT_TRUE(platform::CreateFolder(other));
        ASSERT_EQ(chown(platform::ToUtf8(other).c_str(), 65534, 65534), 0);
        cases.push_back({other, u"it belongs to another user"});
    }
    front_.downloads[kVer] = {0, SiteDescription("r1")};
    front_.downloads[kExe] = {0, kInstaller};
    state_.interactiveMode = 0;
    UpdateServices services = Services();
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.folder));
        front_.messages.shown.clear();
        state_.downloadFolder = c.folder;
        EXPECT_EQ(UpdateCheck(state_, services, true), kCheckNoDescription);
        EXPECT_TRUE(front_.downloadCalls.empty());
        EXPECT_TRUE(starter_.calls.empty());
        ASSERT_EQ(front_.messages.shown.size(), 1u);
        EXPECT_EQ(front_.messages.shown[0].text,
                  u"The download folder '" + c.folder + u"' is not used: " + c.why + u".");
        EXPECT_EQ(front_.messages.shown[0].style, kMessageErrorIcon);
    }
    std::vector<platform::FolderEntry> entries;
    ASSERT_TRUE(platform::ListFolder(downloads_, entries));
    EXPECT_TRUE(entries.empty());
}
#endif

TEST_F(Flow, TheQuestionsNameTheProductUnderTheTitle) {
    qo::test::WriteFileBytes(platform::JoinPath(installed_, platform::FromUtf8(kVer)),
                             SiteDescription("r1"));
    front_.downloads[kVer] = {0, SiteDescription("r1")};
    front_.downloads[kExe] = {0, kInstaller};
    front_.messages.answers = {kAnswerYes};
    starter_.administrator = true;
    starter_.status = Exit(3);
    UpdateServices services = Services();
    EXPECT_EQ(UpdateCheck(state_, services, true), 1);
    const WString& product = state_.config.productName;
    ASSERT_EQ(front_.messages.shown.size(), 1u);
    EXPECT_EQ(front_.messages.shown[0].text,
              u"Your " + product +
                  u" software is up-to-date.\nDo you still want to download and re-install the "
                  u"latest version?");
    EXPECT_EQ(front_.messages.shown[0].caption, u"KV Automatic Update");
    EXPECT_EQ(front_.messages.shown[0].style, kMessageYesNo | kMessageQuestionIcon);
    ASSERT_EQ(front_.restart.asked.size(), 1u);
    EXPECT_EQ(front_.restart.asked[0].first, u"KV Automatic Update");
    EXPECT_EQ(front_.restart.asked[0].second, product);
    // The re-install answer holds for the rest of the run, and is never saved.
    EXPECT_TRUE(state_.downloadQuestionAnswered);
    EXPECT_EQ(state_.settings.confirmDownload, 1);
    MainWindowRecord stored;
    stored.Prepare(product);
    UpdateSettings read;
    read.confirmDownload = 0;
    WString folder;
    ASSERT_TRUE(stored.Read(nullptr, read, folder));
    EXPECT_EQ(read.confirmDownload, 1);
    EXPECT_EQ(read.lastCheck, kNow);
    EXPECT_EQ(folder, downloads_);

    // The download question of a new release, with the release notes link.
    qo::test::WriteFileBytes(platform::JoinPath(installed_, platform::FromUtf8(kVer)),
                             SiteDescription("r0"));
    state_.downloadQuestionAnswered = false;
    state_.config.releaseNotesUrl = u"https://example.test/notes";
    platform::DeleteOneFile(platform::JoinPath(downloads_, platform::FromUtf8(kExe)));
    front_.downloadAnswer = kAnswerNo;
    EXPECT_EQ(UpdateCheck(state_, services, true), 2);
    ASSERT_EQ(front_.downloadQuestions.size(), 1u);
    EXPECT_EQ(front_.downloadQuestions[0].text,
              u"New version of " + product +
                  u" is available.\nDo you want to download and install it now?");
    EXPECT_EQ(front_.downloadQuestions[0].caption, u"KV Automatic Update");
    EXPECT_EQ(front_.downloadQuestions[0].releaseNotesUrl, u"https://example.test/notes");
}

TEST_F(Flow, FetchFileNamesTheFileTheSiteAndTheFolderOfAFailure) {
    const WString product = state_.config.productName;
    language_.words = {{"From:", u"Von:"}, {"To:", u"Nach:"}};
    struct FetchCase {
        const char* name;
        int32_t siteIndex = 0;
        int32_t download = -14;
        WString ownerTitle{};
        bool scheduled = false;
        WString destination{};  // empty: the download folder
        bool translated = false;
        // Expected:
        int result = -1;
        const char* host = "updates.example";  // the site asked; null: none
        WString text{};                        // the message; empty: none
        WString caption = u"Attention!";
    };
    const WString toFolder = u"\nTo:\t " + downloads_;
    const WString fromSite = u"\nFrom:\t http://updates.example/omnisweep";
    const WString failed = u"Error in downloading file 'omnisweep.ver' ";
    const WString longPath = platform::JoinPath(downloads_, WString(260, u'x'));
    const std::vector<FetchCase> cases = {
        {.name = "received", .download = 0, .result = 0},
        {.name = "stopped", .download = -9, .result = 2},
        {.name = "failed", .text = failed + u"(-14)" + fromSite + toFolder},
        {.name = "failed under an owner",
         .ownerTitle = u"KV Automatic Update",
         .text = failed + u"(-14)" + fromSite + toFolder,
         .caption = u"KV Automatic Update"},
        {.name = "translated",
         .translated = true,
         .text = failed + u"(-14)\nVon:\t http://updates.example/omnisweep\nNach:\t " + downloads_},
        {.name = "failed, scheduled", .scheduled = true},
        {.name = "a site without directory",
         .siteIndex = 1,
         .host = "mirror.example",
         .text = failed + u"(-14)\nFrom:\t http://mirror.example/" + toFolder},
        {.name = "an index past the sites",
         .siteIndex = 42,
         .text = failed + u"(-14)" + fromSite + toFolder},
        {.name = "a negative index", .siteIndex = -1, .download = 0, .result = 0},
        {.name = "an empty site",
         .siteIndex = 5,
         .host = nullptr,
         .text = failed + u"(-8)" + toFolder},
        {.name = "an empty site, scheduled", .siteIndex = 5, .scheduled = true, .host = nullptr},
        {.name = "a destination too long",
         .download = 0,
         .destination = longPath,
         .host = nullptr,
         .text = failed + u"(206)" + fromSite + toFolder},
        {.name = "a destination of 259 units",
         .download = 0,
         .destination = platform::JoinPath(downloads_, WString(259 - downloads_.size() - 1, u'y')),
         .result = 0},
    };
    for (const FetchCase& c : cases) {
        SCOPED_TRACE(c.name);
        front_ = testing::FakeFrontEnd{};
        front_.downloads[kVer] = {c.download, "[HASH]\nr1\n"};
        front_.ownerTitle = c.ownerTitle;
        language_.loaded = c.translated;
        state_.settings.siteIndex = c.siteIndex;
        state_.interactiveMode = c.scheduled ? 0 : 1;
        UpdateServices services = Services();
        EXPECT_EQ(FetchFile(state_, services, platform::FromUtf8(kVer), c.destination), c.result);
        if (c.host == nullptr) {
            EXPECT_TRUE(front_.downloadCalls.empty());
        } else {
            ASSERT_EQ(front_.downloadCalls.size(), 1u);
            EXPECT_EQ(front_.downloadCalls[0].site.host, c.host);
            EXPECT_EQ(front_.downloadCalls[0].fileName, kVer);
            EXPECT_EQ(front_.downloadCalls[0].destination,
                      c.destination.empty()
                          ? platform::JoinPath(downloads_, platform::FromUtf8(kVer))
                          : c.destination);
        }
        if (c.text.empty()) {
            EXPECT_TRUE(front_.messages.shown.empty());
        } else {
            ASSERT_EQ(front_.messages.shown.size(), 1u);
            EXPECT_EQ(front_.messages.shown[0].text, c.text);
            EXPECT_EQ(front_.messages.shown[0].caption, c.caption);
            EXPECT_EQ(front_.messages.shown[0].style, kMessageErrorIcon);
        }
    }
}

}  // namespace
}  // namespace updater
