// The signature check's rules with a verifier that answers from a table: what
// the system verifier of this machine cannot produce (other trust results, an
// unreadable signer name, older systems, the switch).
#include "updater/verify/signature_check.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "testsupport/scratch_folder.h"

namespace updater {
namespace {

struct Answer {
    long result = 0;
    std::string signer;
};

class TableVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile& file, std::string& signer) override {
        const Answer& answer = answers[file.Path()];
        signer = answer.signer;
        return answer.result;
    }
    std::map<platform::WString, Answer> answers;
};

TEST(SignatureCheck, FollowsTheResultAndSignerRules) {
    qo::test::ScratchFolder folder;
    const platform::WString file = folder.Write(u"setup.exe", "MZ");
    const platform::WString own = folder.Write(u"Renovo.exe", "MZ");
    struct Case {
        const char* name;
        Answer fileAnswer;
        Answer ownAnswer;
        bool olderSystem;
        bool switchedOff;
        bool answer;
        long result;
        const char* reason;
    };
    const long distrusted = TrustResult(kTrustExplicitDistrust);
    const std::vector<Case> cases = {
        {"explicitly distrusted",
         {distrusted, ""},
         {},
         false,
         false,
         false,
         distrusted,
         kReasonSystemDistrust},
        {"subject not trusted",
         {TrustResult(kTrustSubjectNotTrusted), ""},
         {},
         false,
         false,
         false,
         TrustResult(kTrustSubjectNotTrusted),
         kReasonSystemDistrust},
        {"user settings",
         {TrustResult(kTrustSecuritySettings), ""},
         {},
         false,
         false,
         false,
         TrustResult(kTrustSecuritySettings),
         kReasonUserDistrust},
        {"no trust library", {kTrustNotAvailable, ""}, {}, false, false, false, 1, kReasonGeneric},
        {"signer name unreadable",
         {0, ""},
         {},
         false,
         false,
         false,
         kTrustNoSignerName,
         kReasonGeneric},
        {"unsigned on an older system",
         {TrustResult(kTrustNoSignature), ""},
         {},
         true,
         false,
         true,
         TrustResult(kTrustNoSignature),
         kReasonNotSigned},
        {"foreign signer on an older system",
         {0, "CN=Other"},
         {0, "CN=Us"},
         true,
         false,
         false,
         1,
         kReasonForeignSigner},
        {"case differs from the own signer",
         {0, "CN=us"},
         {0, "CN=Us"},
         false,
         false,
         false,
         1,
         kReasonForeignSigner},
        {"switched off",
         {TrustResult(kTrustNoSignature), ""},
         {},
         false,
         true,
         true,
         0,
         kReasonGeneric},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TableVerifier verifier;
        verifier.answers[file] = c.fileAnswer;
        verifier.answers[own] = c.ownAnswer;
        SignatureCheckSetup setup;
        setup.verifier = &verifier;
        setup.acceptedSigners = {"CN=Accepted"};
        setup.ownProgram = own;
        setup.olderSystem = c.olderSystem;
        setup.switchedOff = c.switchedOff;
        CSignatureCheck check(std::move(setup));
        EXPECT_EQ(check.CheckFile(file), c.answer);
        EXPECT_EQ(check.ResultCode(), c.result);
        EXPECT_STREQ(check.Reason(), c.reason);
    }
}

TEST(SignatureCheck, RefusesAMissingPathOrFile) {
    TableVerifier verifier;
    SignatureCheckSetup setup;
    setup.verifier = &verifier;
    setup.switchedOff = false;
    setup.olderSystem = false;
    CSignatureCheck check(setup);
    EXPECT_FALSE(check.CheckFile(platform::WStringView{}));
    EXPECT_EQ(check.ResultCode(), kTrustMissingArgument);
    HeldFile closed;
    std::string signer = "stale";
    EXPECT_EQ(check.Verify(closed, signer), kTrustMissingArgument);
    EXPECT_TRUE(signer.empty());
}

}  // namespace
}  // namespace updater
