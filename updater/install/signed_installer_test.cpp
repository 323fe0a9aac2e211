// The installation with the system's own signature check: the stand-in
// installer signed for real (Linux: an appended signature made with a test CA
// and verified by OpenSSL; Windows: osslsigncode-signed copies made by the
// make-signed-pe fixture, verified by Wintrust under Wine).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/install/installer.h"
#include "updater/install/testing/fake_starter.h"
#include "updater/support/testing/message_recorder.h"
#ifdef _WIN32
#include "updater/verify/testing/trusted_root.h"
#else
#include "updater/verify/testing/test_pki.h"
#endif

namespace updater {
namespace {

#ifdef _WIN32
constexpr char16_t kSuffix[] = u".exe";
#else
constexpr char16_t kSuffix[] = u"";
#endif

#ifndef _WIN32
constexpr char kMaker[] = "/C=DE/O=Korvane/CN=Korvane Code Signing";
#endif

// Prepares installer-<kind><suffix> (unsigned, accepted, foreign, tampered) and
// own<suffix> (signed by a third signer) in a folder with a blank in its name.
class SignedInstallers : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = scratch_ / u"signed files";
        ASSERT_TRUE(platform::CreateFolder(folder_));
#ifdef _WIN32
        const char* made = std::getenv("QO_SIGNED_PE");
        ASSERT_NE(made, nullptr) << "QO_SIGNED_PE is not set";
        const platform::WString source = platform::FromUtf8(made);
        for (const char16_t* kind : {u"unsigned", u"accepted", u"foreign", u"tampered"}) {
            const platform::WString name = platform::WString(u"installer-") + kind + kSuffix;
            ASSERT_TRUE(platform::CopyOneFile(platform::JoinPath(source, name),
                                              platform::JoinPath(folder_, name)));
        }
        ASSERT_TRUE(platform::CopyOneFile(platform::JoinPath(source, u"own.exe"),
                                          platform::JoinPath(folder_, u"own.exe")));
        root_ = std::make_unique<testing::TrustedRoot>(
            qo::test::ReadFileBytes(platform::JoinPath(source, u"ca.der")));
        ASSERT_TRUE(root_->Added());
#else
        pki_ = std::make_unique<testing::TestPki>(keys_);
        testing::TestPki& pki = *pki_;
        ca_ = pki.MakeCa("ca", "/CN=Installer Test Root");
        const testing::TestCertificate& ca = ca_;
        accepted_ = pki.MakeSigner("accepted", kMaker, ca);
        const testing::TestCertificate& accepted = accepted_;
        const testing::TestCertificate foreign =
            pki.MakeSigner("foreign", "/C=FR/O=Other Publisher/CN=Other Publisher", ca);
        const testing::TestCertificate own = pki.MakeSigner("own", "/C=DE/O=Own Build/CN=Own", ca);
        setenv("SSL_CERT_FILE", ca.cert.c_str(), 1);
        setenv("SSL_CERT_DIR", platform::ToUtf8(keys_.Path()).c_str(), 1);
        const platform::WString built =
            platform::JoinPath(platform::ProgramFolder(), u"qo_test_installer");
        const platform::WString unsigned_ = platform::JoinPath(folder_, u"installer-unsigned");
        ASSERT_TRUE(platform::CopyOneFile(built, unsigned_));
        ASSERT_TRUE(pki.Sign(unsigned_, Path(u"accepted"), accepted, ca));
        ASSERT_TRUE(pki.Sign(unsigned_, Path(u"foreign"), foreign, ca));
        ASSERT_TRUE(pki.Sign(unsigned_, platform::JoinPath(folder_, u"own"), own, ca));
        std::string tampered = qo::test::ReadFileBytes(Path(u"accepted"));
        tampered[1100] = static_cast<char>(tampered[1100] ^ 0x55);
        qo::test::WriteFileBytes(Path(u"tampered"), tampered);
#endif
    }
    void TearDown() override {
#ifndef _WIN32
        unsetenv("SSL_CERT_FILE");
        unsetenv("SSL_CERT_DIR");
#endif
    }

    platform::WString Path(platform::WStringView kind) const {
        return platform::JoinPath(folder_, u"installer-" + platform::WString(kind) + kSuffix);
    }

    qo::test::ScratchFolder scratch_;
#ifdef _WIN32
    std::unique_ptr<testing::TrustedRoot> root_;
#else
    qo::test::ScratchFolder keys_;
    std::unique_ptr<testing::TestPki> pki_;
    testing::TestCertificate ca_, accepted_;
#endif
    platform::WString folder_;
};

TEST_F(SignedInstallers, OnlyTheMakersUntouchedInstallerRuns) {
    struct Case {
        const char16_t* kind;
        long result;
        const char* reason;  // of the refusal
    };
    const std::vector<Case> cases = {
        {u"accepted", 3, nullptr},
        {u"unsigned", -2, "File not signed"},
        {u"foreign", -2, "File is not signed by Korvane"},
        {u"tampered", -2, "Generic distrust"},
    };
    testing::RightsStarter administrator(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.kind));
        const platform::WString path = Path(c.kind);
        qo::test::WriteFileBytes(path + u".exit", "3");
        SignatureCheckSetup setup;
        setup.ownProgram = platform::JoinPath(folder_, platform::WString(u"own") + kSuffix);
        setup.switchedOff = false;
        setup.olderSystem = false;
        CSignatureCheck check(setup);
        updater::testing::MessageRecorder messages;
        InstallerContext context{administrator,          check,   messages,
                                 u"KV Automatic Update", nullptr, {}};
        EXPECT_EQ(RunInstaller(context, path, true, true), c.result);
        EXPECT_EQ(platform::PathExists(path + u".args"), c.reason == nullptr);
        if (c.reason == nullptr) {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(qo::test::ReadFileBytes(path + u".args"), "-H\n");
        } else {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, u"File '" + path +
                                                  u"' signature is invalid\nError '" +
                                                  platform::FromUtf8(c.reason) + u"'");
        }
    }
}

#ifndef _WIN32
// A self-extracting installer is a signed shell script that reads itself
// through $0: started directly it runs, and reads, exactly its signed
// content; through the consent prompt it runs from its file in the private
// folder. The program installer runs either way.
TEST_F(SignedInstallers, ProgramsAndScriptsRunDirectlyAndThroughThePrompt) {
    const std::string script =
        "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$QO_SCRIPT_LOG\"\n"
        "wc -c < \"$0\" | tr -d ' ' >> \"$QO_SCRIPT_LOG\"\nexit 3\n";
    const platform::WString plain = platform::JoinPath(folder_, u"script.in");
    qo::test::WriteFileBytes(plain, script);
    ASSERT_TRUE(pki_->Sign(plain, Path(u"script"), accepted_, ca_));
    const platform::WString log = platform::JoinPath(folder_, u"script.log");
    setenv("QO_SCRIPT_LOG", platform::ToUtf8(log).c_str(), 1);
    const platform::WString bin = platform::JoinPath(folder_, u"bin");
    ASSERT_TRUE(platform::CreateFolder(bin));
    const testing::StandInPkexec pkexec(bin);
    const std::string signedSize = std::to_string(qo::test::ReadFileBytes(Path(u"script")).size());
    struct Case {
        const char* name;
        const char16_t* kind;
        bool administrator;
        std::string log;  // the script's log, or the program's arguments
    };
    const std::vector<Case> cases = {
        {"program, direct", u"accepted", true, "-H\n"},
        {"program, through the prompt", u"accepted", false, "-H\n"},
        {"script, direct", u"script", true, "-H\n" + std::to_string(script.size()) + "\n"},
        {"script, through the prompt", u"script", false, "-H\n" + signedSize + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::WString path = Path(c.kind);
        qo::test::WriteFileBytes(path + u".exit", "3");
        platform::DeleteOneFile(log);
        platform::DeleteOneFile(path + u".args");
        SignatureCheckSetup setup;
        setup.ownProgram = platform::JoinPath(folder_, u"own");
        setup.switchedOff = false;
        setup.olderSystem = false;
        CSignatureCheck check(setup);
        updater::testing::MessageRecorder messages;
        testing::RightsStarter starter(c.administrator);
        InstallerContext context{starter, check, messages, u"KV Automatic Update", nullptr, {}};
        EXPECT_EQ(RunInstaller(context, path, true, true), 3);
        EXPECT_TRUE(messages.shown.empty());
        EXPECT_EQ(
            qo::test::ReadFileBytes(c.kind == std::u16string(u"script") ? log : path + u".args"),
            c.log);
    }
    unsetenv("QO_SCRIPT_LOG");
}
#endif

}  // namespace
}  // namespace updater
