// Test helper (Linux): a certificate authority and code-signing certificates
// made with the openssl command in a scratch folder, and files signed with
// scripts/sign-appended. Keys live only as long as the folder.
#pragma once

#include <openssl/cms.h>

#include <functional>
#include <string>

#include "platform/text.h"
#include "testsupport/scratch_folder.h"

namespace updater::testing {

struct TestCertificate {
    std::string cert;  // PEM file paths
    std::string key;
};

class TestPki {
  public:
    // Runs a shell command; false (and a test failure naming it) when it fails.
    static bool Run(const std::string& command);

    explicit TestPki(const qo::test::ScratchFolder& folder) : folder_(folder) {}
    // A self-signed CA certificate named name in the folder.
    TestCertificate MakeCa(const std::string& name, const std::string& subject);
    // A certificate issued by ca for subject ("/C=DE/O=..."); codeSigning adds
    // the code-signing extended key usage.
    TestCertificate MakeSigner(const std::string& name, const std::string& subject,
                               const TestCertificate& ca, bool codeSigning = true);
    // A CA issued by ca whose extended key usage is extendedUsage ("serverAuth").
    TestCertificate MakeIntermediate(const std::string& name, const std::string& subject,
                                     const TestCertificate& ca, const std::string& extendedUsage);
    // Signs in into out with scripts/sign-appended, the CA as chain.
    bool Sign(const platform::WString& in, const platform::WString& out,
              const TestCertificate& signer, const TestCertificate& ca);
    // Signs with the openssl command and the options given (the digest, the
    // chain's -certfile, "-stream", another -signer), the trailer appended here.
    bool SignWithOptions(const platform::WString& in, const platform::WString& out,
                         const TestCertificate& signer, const std::string& options);
    // Rewrites the signature block of a signed file through change, with the
    // trailer fitted to the block's new length.
    static bool ChangeSignature(const platform::WString& path,
                                const std::function<void(CMS_ContentInfo*)>& change);
    std::string FilePath(const std::string& name) const;

  private:
    const qo::test::ScratchFolder& folder_;
    int serial_ = 1000;
};

// A shell word: text in single quotes.
std::string ShellQuoted(const std::string& text);

}  // namespace updater::testing
