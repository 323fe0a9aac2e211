// Verification of an appended signature (appended_signature.h) with OpenSSL
// libcrypto: the CMS SignedData must be detached, carry the signer's
// certificate, match the content, and the signer's certificate must chain to
// the system's trust store (SSL_CERT_FILE and SSL_CERT_DIR honoured, no
// revocation check) and allow code signing, as every CA of its chain must.
// Digests of MD5 and SHA-1 are refused. Nothing the signature does not cover
// may ride along: the block carries one signer, no unsigned attributes, no
// revocation lists and no certificate outside the signer's chain. Any thread
// may call it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace updater {

// Random access to the bytes of a signed file.
class SignedBytes {
  public:
    virtual ~SignedBytes() = default;
    virtual uint64_t Size() const = 0;
    // Up to size bytes at offset: the count read, 0 at the end, -1 on error.
    virtual int64_t ReadAt(uint64_t offset, void* buffer, size_t size) const = 0;
};

// The largest signature block read (a certificate chain is a few kilobytes).
constexpr uint64_t kMaxSignatureBytes = 1 << 20;

// 0 and the signer's X.500 subject name, or a trust result number
// (trust_verifier.h): no signature (also one without certificates), bad
// digest (content or signature changed, malformed signature, bytes it does not
// cover), weak algorithm, untrusted root, expired, wrong usage, subject not
// trusted; 5 when the file cannot be read.
long VerifyAppendedSignature(const SignedBytes& bytes, std::string& signer);

}  // namespace updater
