#include "wiper/pass_data.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>

namespace wiper {
namespace {

constexpr uint64_t kChaChaBlock = 64;
// ChaCha20's block counter has 32 bits: a key stream covers 256 GiB. Each such
// segment of the drive takes the segment's number into the nonce.
constexpr uint64_t kSegmentBytes = kChaChaBlock << 32;

void FillPattern(const std::string& pattern, uint64_t offset, uint8_t* out, size_t size) {
    if (pattern.size() == 1) {
        std::memset(out, static_cast<uint8_t>(pattern[0]), size);
        return;
    }
    // One period from the right phase, then copies of what is already there:
    // the bytes repeat with the pattern's length.
    const size_t period = pattern.size();
    const size_t phase = static_cast<size_t>(offset % period);
    size_t filled = 0;
    while (filled < size && filled < period) {
        out[filled] = static_cast<uint8_t>(pattern[(phase + filled) % period]);
        ++filled;
    }
    while (filled < size) {
        const size_t chunk = std::min(filled / period * period, size - filled);
        std::memcpy(out + filled, out, chunk);
        filled += chunk;
    }
}

void Invert(uint8_t* out, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, out + i, 8);
        word = ~word;
        std::memcpy(out + i, &word, 8);
    }
    for (; i < size; ++i)
        out[i] = static_cast<uint8_t>(~out[i]);
}

}  // namespace

struct DataStream::Cipher {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~Cipher() { EVP_CIPHER_CTX_free(ctx); }
};

DataStream::DataStream(const PassData& data) : data_(data) {
    if (data_.pattern.empty() && !data_.random)
        data_.pattern.assign(1, '\0');
}

DataStream::~DataStream() = default;

bool DataStream::Fill(uint64_t offset, uint8_t* out, size_t size) {
    if (data_.random) {
        if (!FillRandom(offset, out, size))
            return false;
    } else {
        FillPattern(data_.pattern, offset, out, size);
    }
    if (data_.inverted)
        Invert(out, size);
    return true;
}

bool DataStream::FillRandom(uint64_t offset, uint8_t* out, size_t size) {
    if (!cipher_) {
        cipher_ = std::make_unique<Cipher>();
        if (cipher_->ctx == nullptr)
            return false;
    }
    while (size > 0) {
        if (offset != next_) {
            // Start the key stream at the block that holds offset: the IV is
            // the 32-bit block counter, then the nonce and the segment number.
            const uint64_t block = offset / kChaChaBlock;
            std::array<uint8_t, 16> iv{};
            const uint32_t counter = static_cast<uint32_t>(block);
            const uint32_t segment = static_cast<uint32_t>(block >> 32);
            for (int i = 0; i < 4; ++i) {
                iv[i] = static_cast<uint8_t>(counter >> (8 * i));
                iv[12 + i] = static_cast<uint8_t>(segment >> (8 * i));
            }
            std::copy(data_.random->nonce.begin(), data_.random->nonce.end(), iv.begin() + 4);
            if (EVP_EncryptInit_ex(cipher_->ctx, EVP_chacha20(), nullptr, data_.random->key.data(),
                                   iv.data()) != 1)
                return false;
            next_ = block * kChaChaBlock;
            // Step over the bytes of the block before offset.
            uint8_t skip[kChaChaBlock] = {};
            int written = 0;
            const int lead = static_cast<int>(offset - next_);
            if (lead > 0 && EVP_EncryptUpdate(cipher_->ctx, skip, &written, skip, lead) != 1)
                return false;
            next_ = offset;
        }
        // Never past the end of the segment: the counter must not wrap.
        const uint64_t segmentEnd = (offset / kSegmentBytes + 1) * kSegmentBytes;
        const size_t chunk =
            static_cast<size_t>(std::min<uint64_t>({size, segmentEnd - offset, uint64_t{1} << 30}));
        // The key stream is the encryption of zeros.
        std::memset(out, 0, chunk);
        int written = 0;
        if (EVP_EncryptUpdate(cipher_->ctx, out, &written, out, static_cast<int>(chunk)) != 1)
            return false;
        out += chunk;
        size -= chunk;
        offset += chunk;
        next_ = offset == segmentEnd ? UINT64_MAX : offset;
    }
    return true;
}

}  // namespace wiper
