// PassData and DataStream: the bytes one pass writes over a drive, and their
// generator. A pattern repeats from the drive's first byte on; a random pass
// is a ChaCha20 key stream (OpenSSL's libcrypto) under a key of its own, so
// that verification can generate the very same bytes again; a complement pass
// is its predecessor's data with every bit inverted.
//
// A DataStream belongs to one thread; PassData is plain data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace wiper {

// The key of one random pass: 32 bytes of key and 8 of nonce, from the
// system's random source (see RandomKeySource).
struct RandomKey {
    std::array<uint8_t, 32> key{};
    std::array<uint8_t, 8> nonce{};
};

struct PassData {
    std::string pattern;              // the repeated bytes (a zero pass: one 0x00)
    std::optional<RandomKey> random;  // set: the key stream instead of a pattern
    bool inverted = false;            // every bit of the above inverted
};

class DataStream {
  public:
    explicit DataStream(const PassData& data);
    ~DataStream();
    DataStream(const DataStream&) = delete;
    DataStream& operator=(const DataStream&) = delete;

    // Fills out with the bytes at offset .. offset + size of the drive. Any
    // offset works; consecutive calls are fastest. False only when the
    // cipher library fails (then out is undefined).
    bool Fill(uint64_t offset, uint8_t* out, size_t size);

  private:
    bool FillRandom(uint64_t offset, uint8_t* out, size_t size);

    PassData data_;
    struct Cipher;
    std::unique_ptr<Cipher> cipher_;
    uint64_t next_ = UINT64_MAX;  // where the cipher stands, in bytes
};

}  // namespace wiper
