// The signature check under Wine on PE programs signed with osslsigncode by a
// test CA (made by the make-signed-pe fixture) that the test adds to the
// machine's Root store, and by roots that stay untrusted.
// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/files.h"
#include "testsupport/scratch_folder.h"
#include "updater/verify/signature_check.h"
#include "updater/verify/testing/trusted_root.h"
#include "updater/verify/win32/win_trust_api.h"

namespace updater {
namespace {

platform::WString SignedFolder() {
    const char* folder = std::getenv("QO_SIGNED_PE");
    return folder == nullptr ? platform::WString() : platform::FromUtf8(folder);
}

struct Expected {
    const char16_t* file;
    bool answer;
    uint32_t result;
    const char* reason;
};

void CheckAll(const platform::WString& folder, const std::vector<Expected>& cases) {
    for (const Expected& c : cases) {
        SCOPED_TRACE(platform::ToUtf8(c.file));
        SignatureCheckSetup setup;
        setup.ownProgram = platform::JoinPath(folder, u"own.exe");
        setup.switchedOff = false;
        setup.olderSystem = false;
        CSignatureCheck check(setup);
        EXPECT_EQ(check.CheckFile(platform::JoinPath(folder, c.file)), c.answer);
        EXPECT_EQ(static_cast<uint32_t>(check.ResultCode()), c.result);
        EXPECT_STREQ(check.Reason(), c.reason);
    }
}

TEST(WinTrust, RefusesUntrustedAndTamperedProgramsAndAcceptsTheMakers) {
    const platform::WString folder = SignedFolder();
    ASSERT_FALSE(folder.empty()) << "QO_SIGNED_PE is not set";
    ASSERT_TRUE(CWinTrustAPI::Instance().IsBound());
    // Wine's chain engine reads the Root store once per process: the root is
    // added before any verification.
    testing::TrustedRoot root(qo::test::ReadFileBytes(platform::JoinPath(folder, u"ca.der")));
    ASSERT_TRUE(root.Added());
    CheckAll(folder, {
                         {u"unsigned.exe", false, kTrustNoSignature, kReasonNotSigned},
                         {u"accepted.exe", true, 0, kReasonSuccess},
                         {u"foreign.exe", false, 1, kReasonForeignSigner},
                         {u"own.exe", true, 0, kReasonSuccess},
                         {u"tampered.exe", false, kTrustBadDigest, kReasonGeneric},
                         {u"untrusted.exe", false, kTrustUntrustedRoot, kReasonGeneric},
                     });
    // A path outside the ANSI code page is checked under its own name.
    qo::test::ScratchFolder scratch;
    const platform::WString greek = scratch / u"setup-\u03A9\u03BC\u03AD\u03B3\u03B1.exe";
    ASSERT_TRUE(platform::CopyOneFile(platform::JoinPath(folder, u"accepted.exe"), greek));
    SignatureCheckSetup setup;
    setup.ownProgram = platform::JoinPath(folder, u"own.exe");
    setup.switchedOff = false;
    setup.olderSystem = false;
    CSignatureCheck unicode(setup);
    EXPECT_TRUE(unicode.CheckFile(greek));
    EXPECT_STREQ(unicode.Reason(), kReasonSuccess);
    // An untrusted chain of SHA-256-signed certificates stays refused.
    HeldFile rogue;
    ASSERT_EQ(rogue.Open(platform::JoinPath(folder, u"sha256-untrusted.exe")), 0);
    std::string signer;
    EXPECT_NE(CWinTrustAPI::Instance().Verify(rogue, signer), 0);
    EXPECT_TRUE(signer.empty());
    HeldFile accepted;
    ASSERT_EQ(accepted.Open(platform::JoinPath(folder, u"accepted.exe")), 0);
    EXPECT_EQ(CWinTrustAPI::Instance().Verify(accepted, signer), 0);
    EXPECT_EQ(signer, "C=DE, O=Korvane, CN=Korvane Code Signing");
}

// While held, the file can be read but neither written nor deleted.
TEST(WinTrust, AHeldFileCannotBeChanged) {
    qo::test::ScratchFolder scratch;
    const platform::WString path = scratch.Write(u"setup.exe", "MZ content");
    HeldFile held;
    ASSERT_EQ(held.Open(path), 0);
    const auto* wide = reinterpret_cast<const wchar_t*>(path.c_str());
    HANDLE writer = CreateFileW(wide, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(DeleteFileW(wide));
    EXPECT_EQ(qo::test::ReadFileBytes(path), "MZ content");
    held.Close();
    EXPECT_TRUE(DeleteFileW(wide));
}

}  // namespace
}  // namespace updater
