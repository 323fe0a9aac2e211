// The platform's verification of a file's embedded code signature, as the
// signature check needs it: is the signature trusted by the system's settings
// (no revocation checks), and who signed it.
//
// Windows: Authenticode through Wintrust and Crypt32, bound by name (CWinTrustAPI).
// Linux: OpenSSL libcrypto over the appended signature format of Linux kernel
// modules (appended_signature.h), with the system's trust store.
//
// Verify may be called from any thread; the system verifier is process-wide.
#pragma once

#include <cstdint>
#include <string>

#include "updater/verify/held_file.h"

namespace updater {

// Verification results besides 0 (trusted), as the system's numbers.
constexpr uint32_t kTrustNoSignature = 0x800B0100;        // TRUST_E_NOSIGNATURE
constexpr uint32_t kTrustSubjectNotTrusted = 0x800B0004;  // TRUST_E_SUBJECT_NOT_TRUSTED
constexpr uint32_t kTrustExplicitDistrust = 0x800B0111;   // TRUST_E_EXPLICIT_DISTRUST
constexpr uint32_t kTrustUntrustedRoot = 0x800B0109;      // CERT_E_UNTRUSTEDROOT
constexpr uint32_t kTrustExpired = 0x800B0101;            // CERT_E_EXPIRED
constexpr uint32_t kTrustWrongUsage = 0x800B0110;         // CERT_E_WRONG_USAGE
constexpr uint32_t kTrustBadDigest = 0x80096010;          // TRUST_E_BAD_DIGEST
constexpr uint32_t kTrustWeakAlgorithm = 0x80090008;      // NTE_BAD_ALGID
constexpr uint32_t kTrustSecuritySettings = 0x80092026;   // CRYPT_E_SECURITY_SETTINGS
constexpr long kTrustNotAvailable = 1;                    // no trust library
constexpr long kTrustNoSignerName = 13;                   // trusted, name unreadable
constexpr long kTrustMissingArgument = 87;                // no file

// A result number as the signed 32-bit value the check keeps.
constexpr long TrustResult(uint32_t code) {
    return static_cast<long>(static_cast<int32_t>(code));
}

class TrustVerifier {
  public:
    virtual ~TrustVerifier() = default;
    // 0 when the file's signature is trusted and signer holds the whole X.500
    // subject name of the signing certificate ("C=.., O=.., CN=.."); otherwise
    // a result number from above or a system error number, and signer is empty.
    virtual long Verify(const HeldFile& file, std::string& signer) = 0;
};

// The platform's verifier, created on first use and kept until the process ends.
TrustVerifier& SystemTrustVerifier();

}  // namespace updater
