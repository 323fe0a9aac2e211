// The installer's signature check: the file's embedded signature must be
// trusted by the system, and its signer must be one of the maker's accepted
// signers or the same signer as the running update program. The check answers
// yes or no and keeps a result number and a short reason text.
//
// An administrator switches the check off for the machine with the REG_DWORD
// value "IgnoreSignatureCheck" = 1 under HKEY_LOCAL_MACHINE "SOFTWARE\Korvane"
// (read through the 64-bit view first, once per process).
//
// A check runs on the thread of the update flow; the cached switch and the
// system verifier may be used from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "updater/verify/held_file.h"
#include "updater/verify/trust_verifier.h"

namespace updater {

constexpr char16_t kSignatureSwitchKey[] = u"SOFTWARE\\Korvane";
constexpr char16_t kSignatureSwitchValue[] = u"IgnoreSignatureCheck";

// Reason texts.
constexpr char kReasonGeneric[] = "Generic distrust";
constexpr char kReasonSuccess[] = "Success";
constexpr char kReasonNotSigned[] = "File not signed";
constexpr char kReasonSystemDistrust[] =
    "File signer or publisher is not trusted in system settings";
constexpr char kReasonUserDistrust[] = "File signer or publisher is not trusted in user settings";
constexpr char kReasonOwnSignature[] = "Could not read own signature";
constexpr char kReasonForeignSigner[] = "File is not signed by Korvane";

// The reason text of a non-zero verification result.
const char* ReasonForResult(long result);

// The accepted signers of this build (set when the program is configured).
const std::vector<std::string>& AcceptedSigners();

// Reads the switch-off value afresh: true only for a REG_DWORD of 4 bytes
// holding 1. The 64-bit view is read first; the default view only when that
// read fails.
bool ReadSignatureSwitchOff();
// The same, read on first use and kept for the rest of the process.
bool SignatureCheckSwitchedOff();
// Whether the system is older than Windows NT 6 (never on Linux).
bool SystemOlderThanNt6();

// What a check depends on; the defaults are the running process's.
struct SignatureCheckSetup {
    TrustVerifier* verifier = nullptr;  // null: SystemTrustVerifier()
    std::vector<std::string> acceptedSigners = AcceptedSigners();
    platform::WString ownProgram;  // empty: the running program's file
    bool switchedOff = SignatureCheckSwitchedOff();
    bool olderSystem = SystemOlderThanNt6();
};

class CSignatureCheck {
  public:
    CSignatureCheck() : CSignatureCheck(SignatureCheckSetup{}) {}
    explicit CSignatureCheck(SignatureCheckSetup setup);
    virtual ~CSignatureCheck() = default;

    // Whether the file may be run; afterwards ResultCode() and Reason()
    // describe the outcome.
    bool CheckFile(const HeldFile& file);
    // Opens the file at path (UTF-16) and checks it; an empty path answers false.
    bool CheckFile(platform::WStringView path);
    // 0 when the signature is trusted and signer holds the signer's whole
    // name; the verification's result otherwise; 87 for a file not open.
    long Verify(const HeldFile& file, std::string& signer);

    long ResultCode() const { return result_; }
    const char* Reason() const { return reason_; }

  private:
    bool CheckTrusted(const std::string& signer);

    SignatureCheckSetup setup_;
    long result_ = 0;
    const char* reason_ = kReasonGeneric;
};

}  // namespace updater
