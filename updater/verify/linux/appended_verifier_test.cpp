// The signature check on real files signed at test time with a test CA, the
// signing script and the openssl command, verified by the OpenSSL code.
#include <gtest/gtest.h>
#include <openssl/cms.h>
#include <openssl/pem.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "testsupport/scratch_folder.h"
#include "updater/verify/appended_signature.h"
#include "updater/verify/signature_check.h"
#include "updater/verify/testing/test_pki.h"

namespace updater {
namespace {

using testing::ShellQuoted;
using testing::TestCertificate;
using testing::TestPki;

constexpr char kAccepted[] = "/C=DE/O=Korvane/CN=Korvane Code Signing";
constexpr char kForeign[] = "/C=FR/O=Other Publisher/CN=Other Publisher";

// One PKI for the whole suite: keys take a moment to make.
class SignedFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<qo::test::ScratchFolder>();
        pki_ = std::make_unique<TestPki>(*folder_);
        ca_ = pki_->MakeCa("ca", "/CN=Test Root");
        rogueCa_ = pki_->MakeCa("rogue", "/CN=Rogue Root");
        accepted_ = pki_->MakeSigner("accepted", kAccepted, ca_);
        foreign_ = pki_->MakeSigner("foreign", kForeign, ca_);
        rogue_ = pki_->MakeSigner("rogue-signer", kAccepted, rogueCa_);
        noUsage_ = pki_->MakeSigner("no-usage", kAccepted, ca_, false);
        // Only the test root is trusted: the system's store is replaced.
        setenv("SSL_CERT_FILE", ca_.cert.c_str(), 1);
        setenv("SSL_CERT_DIR", platform::ToUtf8(folder_->Path()).c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("SSL_CERT_FILE");
        unsetenv("SSL_CERT_DIR");
        pki_.reset();
        folder_.reset();
    }

    // A content file and its signed copy; returns the signed path.
    static platform::WString Signed(const std::string& name, const TestCertificate& signer,
                                    const TestCertificate& ca) {
        const platform::WString plain =
            folder_->Write(platform::FromUtf8(name + ".in"), "installer content of " + name + "\n");
        const platform::WString out = *folder_ / platform::FromUtf8(name);
        EXPECT_TRUE(pki_->Sign(plain, out, signer, ca));
        return out;
    }

    // Signed by the accepted signer with the openssl command's options.
    static platform::WString SignedWith(const std::string& name, const std::string& options) {
        const platform::WString plain =
            folder_->Write(platform::FromUtf8(name + ".in"), "installer content of " + name + "\n");
        const platform::WString out = *folder_ / platform::FromUtf8(name);
        EXPECT_TRUE(pki_->SignWithOptions(plain, out, accepted_, options));
        return out;
    }
    static std::string ChainOption() { return " -certfile " + ShellQuoted(ca_.cert); }

    // Checks file with the accepted signer; ownProgram signed by another.
    static void ExpectCheck(const platform::WString& file, const platform::WString& own,
                            bool answer, uint32_t result, const char* reason) {
        SignatureCheckSetup setup;
        setup.acceptedSigners = {"C=DE, O=Korvane, CN=Korvane Code Signing"};
        setup.ownProgram = own;
        setup.switchedOff = false;
        setup.olderSystem = false;
        CSignatureCheck check(setup);
        EXPECT_EQ(check.CheckFile(file), answer);
        EXPECT_EQ(static_cast<uint32_t>(check.ResultCode()), result);
        EXPECT_STREQ(check.Reason(), reason);
    }

    static std::unique_ptr<qo::test::ScratchFolder> folder_;
    static std::unique_ptr<TestPki> pki_;
    static TestCertificate ca_, rogueCa_, accepted_, foreign_, rogue_, noUsage_;
};

std::unique_ptr<qo::test::ScratchFolder> SignedFiles::folder_;
std::unique_ptr<TestPki> SignedFiles::pki_;
TestCertificate SignedFiles::ca_, SignedFiles::rogueCa_, SignedFiles::accepted_,
    SignedFiles::foreign_, SignedFiles::rogue_, SignedFiles::noUsage_;

// Flips one byte of a file at offset from its start (negative: from its end).
void FlipByte(const platform::WString& path, long offset) {
    std::string bytes = qo::test::ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty());
    const size_t at =
        offset >= 0 ? static_cast<size_t>(offset) : bytes.size() - static_cast<size_t>(-offset);
    bytes[at] = static_cast<char>(bytes[at] ^ 0x40);
    qo::test::WriteFileBytes(path, bytes);
}

// The first object of a PEM file, read with reader (PEM_read_bio_X509, ...).
template <typename Reader>
auto ReadPem(const std::string& path, Reader reader) {
    BIO* in = BIO_new_file(path.c_str(), "r");
    auto* object = reader(in, nullptr, nullptr, nullptr);
    BIO_free(in);
    return object;
}

TEST_F(SignedFiles, ChecksFilesAsTheUpdaterRunsThem) {
    const platform::WString ownSigned = Signed("own-foreign", foreign_, ca_);
    const platform::WString ownUnsigned = folder_->Write(u"own-unsigned", "program\n");
    const platform::WString tamperedContent = Signed("tampered-content", accepted_, ca_);
    FlipByte(tamperedContent, 3);
    const platform::WString tamperedSignature = Signed("tampered-signature", accepted_, ca_);
    // A byte in the signature value, which ends the DER block before the tail.
    FlipByte(tamperedSignature, -static_cast<long>(kSignatureTailBytes) - 20);
    // A signature that names its key only, as the kernel's sign-file makes it.
    const platform::WString noCerts = SignedWith("no-certs", "-md sha256 -nocerts");

    struct Case {
        const char* name;
        platform::WString file;
        platform::WString own;
        bool answer;
        uint32_t result;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"unsigned", folder_->Write(u"unsigned", "plain\n"), ownSigned, false, kTrustNoSignature,
         kReasonNotSigned},
        {"accepted signer", Signed("accepted", accepted_, ca_), ownUnsigned, true, 0,
         kReasonSuccess},
        {"trusted foreign signer", Signed("foreign", foreign_, ca_),
         Signed("own-accepted", accepted_, ca_), false, 1, kReasonForeignSigner},
        {"same signer as the program", Signed("same", foreign_, ca_), ownSigned, true, 0,
         kReasonSuccess},
        {"own program unsigned", Signed("foreign2", foreign_, ca_), ownUnsigned, false,
         kTrustNoSignature, kReasonOwnSignature},
        {"tampered content", tamperedContent, ownSigned, false, kTrustBadDigest, kReasonGeneric},
        {"tampered signature", tamperedSignature, ownSigned, false, kTrustBadDigest,
         kReasonGeneric},
        {"untrusted CA", Signed("rogue", rogue_, rogueCa_), ownSigned, false, kTrustUntrustedRoot,
         kReasonGeneric},
        {"no code-signing use", Signed("no-usage", noUsage_, ca_), ownSigned, false,
         kTrustWrongUsage, kReasonGeneric},
        {"signature without certificates", noCerts, ownSigned, false, kTrustNoSignature,
         kReasonNotSigned},
        {"missing file", *folder_ / u"missing", ownSigned, false, 2, kReasonGeneric},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectCheck(c.file, c.own, c.answer, c.result, c.reason);
    }
}

// Bytes in the signature block that the signature does not cover, chains
// through a CA that does not issue for code signing, and weak digests.
TEST_F(SignedFiles, RefusesUncoveredBytesWrongChainsAndWeakDigests) {
    const TestCertificate serverCa =
        pki_->MakeIntermediate("server-ca", "/CN=Servers Only", ca_, "serverAuth");
    const TestCertificate codeCa =
        pki_->MakeIntermediate("code-ca", "/CN=Code Signing CA", ca_, "codeSigning");
    const auto changed = [](const char* name, const std::function<void(CMS_ContentInfo*)>& change) {
        const platform::WString file = Signed(name, accepted_, ca_);
        EXPECT_TRUE(TestPki::ChangeSignature(file, change));
        return file;
    };
    const auto firstSigner = [](CMS_ContentInfo* cms) {
        return sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms), 0);
    };
    const std::string shell = "#!/bin/sh\n" + std::string(2000, '#') + "\nrm -rf /\n";
    const platform::WString trailer = Signed("trailer", accepted_, ca_);
    FlipByte(trailer, -static_cast<long>(kSignatureTailBytes));  // byte 0 of the trailer
    const platform::WString own = Signed("own-of-refusals", foreign_, ca_);
    struct Case {
        const char* name;
        platform::WString file;
        uint32_t result;
    };
    const std::vector<Case> cases = {
        {"through a CA for code signing",
         Signed("via-code", pki_->MakeSigner("via-code", kAccepted, codeCa), codeCa), 0},
        {"through a CA for servers only",
         Signed("via-server", pki_->MakeSigner("via-server", kAccepted, serverCa), serverCa),
         kTrustWrongUsage},
        {"SHA-1", SignedWith("sha1", "-md sha1" + ChainOption()), kTrustWeakAlgorithm},
        {"MD5", SignedWith("md5", "-md md5" + ChainOption()), kTrustWeakAlgorithm},
        {"an unsigned attribute of shell text",
         changed("attribute",
                 [&](CMS_ContentInfo* cms) {
                     CMS_unsigned_add1_attr_by_txt(firstSigner(cms), "1.2.3.4", V_ASN1_OCTET_STRING,
                                                   shell.data(), static_cast<int>(shell.size()));
                 }),
         kTrustBadDigest},
        {"a certificate outside the chain",
         changed("extra-cert",
                 [](CMS_ContentInfo* cms) {
                     X509* cert = ReadPem(rogueCa_.cert, PEM_read_bio_X509);
                     CMS_add1_cert(cms, cert);
                     X509_free(cert);
                 }),
         kTrustBadDigest},
        {"a revocation list",
         changed("crl",
                 [](CMS_ContentInfo* cms) {
                     EVP_PKEY* key = ReadPem(rogueCa_.key, PEM_read_bio_PrivateKey);
                     X509_CRL* crl = X509_CRL_new();
                     ASN1_TIME* now = ASN1_TIME_set(nullptr, 0);
                     X509_CRL_set1_lastUpdate(crl, now);
                     X509_CRL_sign(crl, key, EVP_sha256());
                     CMS_add1_crl(cms, crl);
                     X509_CRL_free(crl);
                     ASN1_TIME_free(now);
                     EVP_PKEY_free(key);
                 }),
         kTrustBadDigest},
        {"a second signer",
         SignedWith("two-signers", "-md sha256 -signer " + ShellQuoted(foreign_.cert) + " -inkey " +
                                       ShellQuoted(foreign_.key) + ChainOption()),
         kTrustBadDigest},
        {"an edited trailer byte", trailer, kTrustBadDigest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectCheck(c.file, own, c.result == 0, c.result,
                    c.result == 0 ? kReasonSuccess : kReasonGeneric);
    }
}

// The signer's name in the system's X.500 text form, whole however long,
// from a signature made with the openssl command as documented.
TEST_F(SignedFiles, ReadsTheSignerNameWhole) {
    std::string longSubject = "/C=DE/O=Korvane";
    std::string longName = "C=DE, O=Korvane";
    for (char unit = 'a'; unit < 'f'; ++unit) {
        longSubject += "/OU=" + std::string(60, unit);
        longName += ", OU=" + std::string(60, unit);
    }
    struct Case {
        std::string subject;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"/C=US/ST=Delaware/O=Korvane Inc./CN=Korvane Inc.",
         "C=US, S=Delaware, O=Korvane Inc., CN=Korvane Inc."},
        {"/CN=Name, with comma/O=a\\+b/OU=x;y/emailAddress=x@example.org",
         "CN=\"Name, with comma\", O=\"a+b\", OU=\"x;y\", E=x@example.org"},
        {"/CN=Say \"hi\"/L=M\xC3\xBCnchen", "CN=\"Say \"\"hi\"\"\", L=M\xC3\xBCnchen"},
        {longSubject + "/CN=Korvane", longName + ", CN=Korvane"},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subject);
        const std::string name = "named" + std::to_string(++index);
        const TestCertificate signer = pki_->MakeSigner(name, c.subject, ca_);
        const platform::WString file = folder_->Write(platform::FromUtf8(name + ".bin"), "data");
        const std::string sig = pki_->FilePath(name + ".sig");
        // The documented command line, with the trailer added here.
        TestPki::Run("openssl cms -sign -binary -noattr -md sha256 -outform DER -signer " +
                     ShellQuoted(signer.cert) + " -certfile " + ShellQuoted(ca_.cert) + " -inkey " +
                     ShellQuoted(signer.key) + " -in " + ShellQuoted(platform::ToUtf8(file)) +
                     " -out " + ShellQuoted(sig));
        const std::string der = qo::test::ReadFileBytes(platform::FromUtf8(sig));
        qo::test::WriteFileBytes(file, "data" + der + AppendedTail(der.size()));
        HeldFile held;
        ASSERT_EQ(held.Open(file), 0);
        std::string signerName;
        EXPECT_EQ(SystemTrustVerifier().Verify(held, signerName), 0);
        EXPECT_EQ(signerName, c.name);
    }
}

// A signer whose name starts with an accepted name is not that signer, and a
// path outside the ANSI code page is checked under its own name.
TEST_F(SignedFiles, ComparesWholeNamesAndUsesTheUnicodePath) {
    std::string subject = "/C=DE/O=Korvane";
    std::string accepted = "C=DE, O=Korvane";
    for (char unit = 'a'; unit < 'f'; ++unit) {
        subject += "/OU=" + std::string(60, unit);
        accepted += ", OU=" + std::string(60, unit);
    }
    ASSERT_GT(accepted.size(), 260u);
    const TestCertificate longer = pki_->MakeSigner("longer", subject + "/CN=Mallory", ca_);
    const TestCertificate exact = pki_->MakeSigner("exact", subject, ca_);
    const platform::WString ownUnsigned = folder_->Write(u"own-plain", "program\n");
    SignatureCheckSetup setup;
    setup.acceptedSigners = {accepted};
    setup.ownProgram = ownUnsigned;
    setup.switchedOff = false;
    setup.olderSystem = false;
    CSignatureCheck check(setup);
    EXPECT_FALSE(check.CheckFile(Signed("longer", longer, ca_)));
    EXPECT_STREQ(check.Reason(), kReasonOwnSignature);
    const platform::WString greek = u"setup-\u03A9\u03BC\u03AD\u03B3\u03B1.bin";
    const platform::WString plain = folder_->Write(greek + u".in", "greek content\n");
    ASSERT_TRUE(pki_->Sign(plain, *folder_ / greek, exact, ca_));
    EXPECT_TRUE(check.CheckFile(*folder_ / greek));
    EXPECT_STREQ(check.Reason(), kReasonSuccess);
    // The default list of this build holds the maker's names.
    const TestCertificate maker =
        pki_->MakeSigner("maker", "/C=US/ST=Delaware/O=Korvane Inc./CN=Korvane Inc.", ca_);
    SignatureCheckSetup defaults;
    defaults.ownProgram = ownUnsigned;
    defaults.switchedOff = false;
    defaults.olderSystem = false;
    CSignatureCheck byDefault(defaults);
    EXPECT_TRUE(byDefault.CheckFile(Signed("maker", maker, ca_)));
}

// The switch-off value in the machine's registry file.
TEST(SignatureSwitch, OnlyADwordOneSwitchesTheCheckOff) {
    qo::test::ScratchFolder folder;
    platform::SetRegistryFilePath(platform::Hive::LocalMachine,
                                  platform::ToUtf8(folder / u"machine.reg"));
    struct Case {
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
        bool off;
    };
    const std::vector<Case> cases = {
        {"dword 1", platform::kRegDword, {1, 0, 0, 0}, true},
        {"dword 2", platform::kRegDword, {2, 0, 0, 0}, false},
        {"dword 0", platform::kRegDword, {0, 0, 0, 0}, false},
        {"1 as text", platform::kRegSz, {'1', 0, 0, 0}, false},
        {"1 as binary", platform::kRegBinary, {1, 0, 0, 0}, false},
        {"short dword", platform::kRegDword, {1, 0}, false},
    };
    EXPECT_FALSE(ReadSignatureSwitchOff());  // no value at all
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::RegistryKey key;
        ASSERT_EQ(key.Create(platform::Hive::LocalMachine, kSignatureSwitchKey,
                             platform::kKeyWrite | platform::kKeyQueryValue),
                  0);
        ASSERT_EQ(key.Set(kSignatureSwitchValue, c.type, c.data.data(), c.data.size()), 0);
        EXPECT_EQ(ReadSignatureSwitchOff(), c.off);
    }
    platform::SetRegistryFilePath(platform::Hive::LocalMachine, "");
}

}  // namespace
}  // namespace updater
