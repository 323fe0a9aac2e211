// RunInstaller with a stand-in installer started for real (directly, and
// through the consent prompt: "runas" under Wine, a stand-in pkexec on Linux),
// and a signature verifier that answers from the test.
#include "updater/install/installer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/install/testing/fake_starter.h"
#include "updater/support/testing/message_recorder.h"

namespace updater {
namespace {

#ifdef _WIN32
constexpr char16_t kSuffix[] = u".exe";
#else
constexpr char16_t kSuffix[] = u"";
#endif
constexpr char16_t kTitle[] = u"KV Automatic Update";

// Trusts every file, signed by "CN=Accepted", unless told otherwise; runs a
// hook while it "verifies".
class TestVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile&, std::string& signer) override {
        if (duringCheck)
            duringCheck();
        signer = result == 0 ? "CN=Accepted" : "";
        return result;
    }
    long result = 0;
    std::function<void()> duringCheck;
};

using testing::RightsStarter;

class Installer : public ::testing::Test {
  protected:
    Installer() {
        folder_ = scratch_ / u"my installer";
        EXPECT_TRUE(platform::CreateFolder(folder_));
    }

    // A copy of the stand-in at name in the folder with blanks, ending with exit.
    platform::WString StandIn(platform::WStringView name, const std::string& exit) {
        const platform::WString path =
            platform::JoinPath(folder_, platform::WString(name) + kSuffix);
        const platform::WString built = platform::JoinPath(
            platform::ProgramFolder(), platform::WString(u"qo_test_installer") + kSuffix);
        EXPECT_TRUE(platform::CopyOneFile(built, path));
        qo::test::WriteFileBytes(path + u".exit", exit);
        return path;
    }
    static std::string ArgsOf(const platform::WString& path) {
        return platform::PathExists(path + u".args") ? qo::test::ReadFileBytes(path + u".args")
                                                     : "<not run>";
    }

    long Run(ProcessStarter& starter, const platform::WString& path, bool withSwitch = true) {
        SignatureCheckSetup setup;
        setup.verifier = &verifier_;
        setup.acceptedSigners = {"CN=Accepted"};
        setup.ownProgram = platform::ProgramFilePath();
        setup.switchedOff = false;
        setup.olderSystem = false;
        CSignatureCheck check(setup);
        InstallerContext context{starter, check, messages_, kTitle, nullptr, {}};
        return RunInstaller(context, path, true, withSwitch);
    }

    qo::test::ScratchFolder scratch_;
    platform::WString folder_;
    TestVerifier verifier_;
    testing::MessageRecorder messages_;
};

TEST_F(Installer, PassesTheExitCodeContractAndReportsFailuresAsFailures) {
    struct Case {
        const char16_t* name;
        std::string exit;
        bool withSwitch;
        long result;
        std::string args;
    };
    const std::vector<Case> cases = {
        {u"setup tool", "3", true, 3, "-H\n"},
        {u"cancelled", "4", true, 4, "-H\n"},
        {u"nothing done", "0", true, 0, "-H\n"},
        {u"no switch", "1", false, 1, ""},
        // A crashed installer is no exit code bits (it would read as installed).
        {u"crashing", "crash", true, -1, "-H\n"},
    };
    RightsStarter administrator(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.name));
        const platform::WString path = StandIn(c.name, c.exit);
        EXPECT_EQ(Run(administrator, path, c.withSwitch), c.result);
        EXPECT_EQ(ArgsOf(path), c.args);
    }
    EXPECT_TRUE(messages_.shown.empty());
    // A file that cannot be started: the system's error number (193, 8 ...)
    // is not passed on as exit code bits.
    const platform::WString notProgram = platform::JoinPath(folder_, u"text.exe");
    qo::test::WriteFileBytes(notProgram, "this is no program\n");
    EXPECT_EQ(Run(administrator, notProgram), -1);
}

TEST_F(Installer, RefusesAFileThatFailsItsSignatureCheck) {
    const platform::WString path = StandIn(u"setup", "3");
    verifier_.result = TrustResult(kTrustNoSignature);
    RightsStarter administrator(true);
    EXPECT_EQ(Run(administrator, path), -2);
    EXPECT_EQ(ArgsOf(path), "<not run>");
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text,
              u"File '" + path + u"' signature is invalid\nError 'File not signed'");
    EXPECT_EQ(messages_.shown[0].caption, kTitle);
    EXPECT_EQ(messages_.shown[0].style, kMessageErrorIcon);
}

// A file put in the installer's place during its check is never started;
// one put there after the check changes nothing of what runs.
TEST_F(Installer, RunsOnlyTheFileThatWasChecked) {
    const auto fsPath = [](const platform::WString& path) {
        const std::string utf8 = platform::ToUtf8(path);
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    };
    int round = 0;
    for (const bool afterCheck : {false, true}) {
        for (const bool inPlace : {false, true}) {
            SCOPED_TRACE(std::string(inPlace ? "overwritten in place" : "renamed over") +
                         (afterCheck ? " before the start" : " during the check"));
            const std::u16string n = platform::FromUtf8(std::to_string(++round));
            const platform::WString path = StandIn(u"setup" + n, "3");
            const platform::WString other = StandIn(u"other" + n, "1");
            bool replaced = false;
            const auto replace = [&] {
                if (inPlace) {
                    // Another program in the same file: a script that ends with 1.
                    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
                    replaced = static_cast<bool>(out << "#!/bin/sh\nexit 1\n" << std::flush);
                } else {
                    std::error_code error;
                    std::filesystem::rename(fsPath(other), fsPath(path), error);
                    replaced = !error;
                }
            };
            RightsStarter administrator(true);
            (afterCheck ? administrator.beforeStart : verifier_.duringCheck) = replace;
            const long result = Run(administrator, path);
            verifier_.duringCheck = nullptr;
#ifdef _WIN32
            // Held files can be neither replaced nor written on Windows: the checked file runs.
            EXPECT_FALSE(replaced);
            EXPECT_EQ(result, 3);
#else
            EXPECT_TRUE(replaced);
            // The checked bytes run (the file's own name is the program's), or nothing.
            EXPECT_EQ(result, afterCheck ? 3 : -1);
            EXPECT_EQ(ArgsOf(path), afterCheck ? "-H\n" : "<not run>");
#endif
        }
    }
}

TEST_F(Installer, StartsThroughTheConsentPrompt) {
    const platform::WString path = StandIn(u"setup tool", "3");
#ifndef _WIN32
    const platform::WString bin = scratch_ / u"bin";
    ASSERT_TRUE(platform::CreateFolder(bin));
    const testing::StandInPkexec pkexec(bin);
#endif
    RightsStarter user(false);
    ASSERT_TRUE(SystemProcessStarter().ConsentPromptEnabled() || !user.IsAdministrator());
    EXPECT_EQ(Run(user, path), 3);
    EXPECT_EQ(ArgsOf(path), "-H\n");
#ifndef _WIN32
    // pkexec's own refusals are declined prompts; the installer's own exit
    // codes of the same numbers are its; a start that fails is a failure.
    struct Case {
        const char* name;
        const char* variable;
        const char* value;
        std::string exit;
        long result;
        bool runs;
    };
    const std::vector<Case> cases = {
        {"dialog dismissed", "QO_PKEXEC_EXIT", "126", "3", 1223, false},
        {"not authorised", "QO_PKEXEC_EXIT", "127", "3", 1223, false},
        {"pkexec fails otherwise", "QO_PKEXEC_EXIT", "1", "3", -1, false},
        {"the installer cannot be started", "QO_PKEXEC_UNRUNNABLE", "1", "3", -1, false},
        {"the installer ends with 126", "QO_NOTHING", "", "126", 126, true},
        {"the installer ends with 127", "QO_NOTHING", "", "127", 127, true},
    };
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::WString installer =
            StandIn(u"prompted" + platform::FromUtf8(std::to_string(++round)), c.exit);
        setenv(c.variable, c.value, 1);
        EXPECT_EQ(Run(user, installer), c.result);
        unsetenv(c.variable);
        EXPECT_EQ(ArgsOf(installer), c.runs ? "-H\n" : "<not run>");
    }
#endif
}

// Starts that fail, through the fake starter: only a declined prompt and
// missing elevation keep their own numbers.
TEST_F(Installer, EndsFailedStartsAsFailures) {
    const platform::WString path = StandIn(u"setup", "3");
    struct Case {
        const char* name;
        bool administrator;
        bool consent;
        long startError;
        long result;
    };
    const std::vector<Case> cases = {
        {"elevated start denied", false, true, 5, -1},
        {"elevation declined", false, true, 1223, 1223},
        {"no way to elevate", false, false, 0, -2},
        {"direct start fails", true, true, 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FakeStarter starter;
        starter.administrator = c.administrator;
        starter.consentPrompt = c.consent;
        starter.startError = c.startError;
        EXPECT_EQ(Run(starter, path), c.result);
    }
}

TEST(InstallerCommandLine, QuotesThePathAndRefusesWhatCannotBeQuotedWhole) {
    platform::WString line;
    EXPECT_TRUE(InstallerCommandLine(u"C:\\Temp dir\\setup.exe", true, line));
    EXPECT_EQ(line, u"\"C:\\Temp dir\\setup.exe\" -H");
    EXPECT_TRUE(InstallerCommandLine(u"C:\\setup.exe", false, line));
    EXPECT_EQ(line, u"\"C:\\setup.exe\"");
    // 359 units fit; one more would have been cut into another program's name.
    EXPECT_TRUE(InstallerCommandLine(platform::WString(354, u'x'), true, line));
    EXPECT_FALSE(InstallerCommandLine(platform::WString(355, u'x'), true, line));
    EXPECT_TRUE(line.empty());
    EXPECT_FALSE(InstallerCommandLine(u"/tmp/a\"b", true, line));
    EXPECT_FALSE(InstallerCommandLine(u"", true, line));
}

}  // namespace
}  // namespace updater
