// The appended signature format of Linux kernel modules, which the Linux
// build uses for signed files:
//
//   content | DER PKCS#7 SignedData (detached) | module_signature | magic
//
// module_signature is 12 bytes: algorithm, hash, id type (2 = PKCS#7), signer
// length, key id length, three pad bytes, then the signature length as a
// big-endian 32-bit number; magic is the 28 bytes "~Module signature appended~\n".
// With PKCS#7 every byte but the id type and the length is 0: nothing the
// signature does not cover may be carried there.
// Pure functions; any thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace updater {

constexpr std::string_view kSignatureMagic = "~Module signature appended~\n";
constexpr size_t kSignatureTrailerBytes = 12;
// The bytes at the end of a signed file that describe its signature.
constexpr size_t kSignatureTailBytes = kSignatureTrailerBytes + kSignatureMagic.size();
constexpr uint8_t kSignatureIdPkcs7 = 2;

enum class AppendedLayoutResult {
    Ok,
    NoSignature,  // no magic at the end
    OtherIdType,  // a signature of another kind than PKCS#7
    BadLength,    // the signature length does not fit in the file
    OddTrailer,   // trailer bytes other than the id type and length are not 0
};

struct AppendedLayout {
    uint64_t contentBytes = 0;    // the signed content: bytes 0 .. contentBytes
    uint64_t signatureBytes = 0;  // the DER signature right after the content
};

// Reads the layout of a file of fileSize bytes from its last bytes (tail, at
// most kSignatureTailBytes; fewer when the file is shorter).
AppendedLayoutResult ParseAppendedLayout(uint64_t fileSize, std::span<const uint8_t> tail,
                                         AppendedLayout& layout);

// The trailer and magic that follow a signature of signatureBytes bytes.
std::string AppendedTail(uint32_t signatureBytes);

}  // namespace updater
