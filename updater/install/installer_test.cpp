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
        InstallerContext context{starter, check, messages_, kTitle, nullptr};
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

// A file put in the installer's place during its check is never started.
TEST_F(Installer, RunsOnlyTheFileThatWasChecked) {
    const auto fsPath = [](const platform::WString& path) {
        const std::string utf8 = platform::ToUtf8(path);
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    };
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "overwritten in place" : "renamed over");
        const platform::WString path = StandIn(inPlace ? u"setup2" : u"setup", "3");
        const platform::WString other = StandIn(inPlace ? u"other2" : u"other", "1");
        bool replaced = false;
        verifier_.duringCheck = [&] {
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
        const long result = Run(administrator, path);
#ifdef _WIN32
        // Held files can be neither replaced nor written on Windows: the checked file runs.
        EXPECT_FALSE(replaced);
        EXPECT_EQ(result, 3);
#else
        EXPECT_TRUE(replaced);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(ArgsOf(path), "<not run>");
#endif
    }
}

TEST_F(Installer, StartsThroughTheConsentPrompt) {
    const platform::WString path = StandIn(u"setup tool", "3");
#ifndef _WIN32
    // A stand-in pkexec: runs the program, or ends as a dismissed prompt does.
    const platform::WString bin = scratch_ / u"bin";
    ASSERT_TRUE(platform::CreateFolder(bin));
    const platform::WString pkexec = platform::JoinPath(bin, u"pkexec");
    qo::test::WriteFileBytes(
        pkexec, "#!/bin/sh\n[ -n \"$QO_PKEXEC_EXIT\" ] && exit \"$QO_PKEXEC_EXIT\"\nexec \"$@\"\n");
    ASSERT_TRUE(MakeInstallerExecutable(pkexec));
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setenv("PATH", (platform::ToUtf8(bin) + ":" + oldPath).c_str(), 1);
#endif
    RightsStarter user(false);
    ASSERT_TRUE(SystemProcessStarter().ConsentPromptEnabled() || !user.IsAdministrator());
    EXPECT_EQ(Run(user, path), 3);
    EXPECT_EQ(ArgsOf(path), "-H\n");
#ifndef _WIN32
    setenv("QO_PKEXEC_EXIT", "126", 1);
    EXPECT_EQ(Run(user, StandIn(u"dismissed", "3")), 1223);
    unsetenv("QO_PKEXEC_EXIT");
    setenv("PATH", oldPath.c_str(), 1);
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
