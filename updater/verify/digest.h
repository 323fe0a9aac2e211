// File digests for the hash lists: SHA-512 and MD5 from the platform's
// cryptographic library (OpenSSL libcrypto on Linux, CNG on Windows). A file is
// read as a stream through a fixed buffer, so memory does not grow with the
// file and files larger than the address space are hashed whole.
//
// Algorithm indexes, in the order of preference:
//   0  "SHA512"  SHA-512   64 bytes, 128 characters of text
//   1  "MD5"     MD5       16 bytes,  32 characters of text
// Digest text: two upper-case hexadecimal digits per byte, in byte order.
//
// Any thread may call these; messages go to the owner given.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/text.h"
#include "updater/support/message_owner.h"

namespace updater {

struct DigestAlgorithm {
    const char16_t* name;  // as it appears in section names
    int identifier;
    size_t digestBytes;
    size_t textLength;
};

constexpr int kSha512 = 0;
constexpr int kMd5 = 1;
constexpr std::array<DigestAlgorithm, 2> kDigestAlgorithms{{
    {u"SHA512", 10, 64, 128},
    {u"MD5", 1, 16, 32},
}};

// The bytes read at a time.
constexpr size_t kDigestBufferBytes = size_t{1} << 20;

// A running digest of the platform's library. One thread at a time.
class DigestEngine {
  public:
    DigestEngine();
    ~DigestEngine();
    DigestEngine(const DigestEngine&) = delete;
    DigestEngine& operator=(const DigestEngine&) = delete;

    // Starts a digest with an algorithm index; false when the index is not 0
    // or 1 or the library cannot set one up.
    bool Start(int algorithm);
    bool Update(std::span<const uint8_t> data);
    // The digest (the algorithm's size); the engine must be started again
    // before the next one.
    bool Finish(std::vector<uint8_t>& digest);

  private:
    struct State;
    std::unique_ptr<State> state_;
    int algorithm_ = -1;
};

enum class DigestResult { Ok, CannotRead, InvalidAlgorithm, NoResources };

// The digest of a file, without messages.
DigestResult ComputeFileDigest(platform::WStringView path, int algorithm,
                               std::vector<uint8_t>& digest);

// "%02X" per byte, concatenated.
platform::WString DigestText(std::span<const uint8_t> digest);

// The file's digest text, cut to capacity - 1 characters. Failures are shown
// to messages with the file's path as text and an error icon, under
// "Error in file mapping" (the file cannot be opened or read), "Invalid hash
// algorithm number" or "Allocation error", and give false.
bool FileDigestText(platform::WStringView path, int algorithm, platform::WString& text,
                    size_t capacity, MessageOwner& messages);

}  // namespace updater
