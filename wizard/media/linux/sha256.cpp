#include "wizard/media/linux/sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>

#include "wizard/media/linux/fd_io.h"

namespace wizard {

Sha256::Sha256() : context_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
    ok_ = context_ && EVP_DigestInit_ex(context_.get(), EVP_sha256(), nullptr) == 1;
}

bool Sha256::Update(std::span<const uint8_t> bytes) {
    ok_ = ok_ && EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) == 1;
    return ok_;
}

std::string Sha256::Hex() {
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!ok_ || EVP_DigestFinal_ex(context_.get(), value, &size) != 1)
        return {};
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", value[i]);
        text += hex;
    }
    return text;
}

bool HashRange(int fd, uint64_t offset, uint64_t length, std::span<uint8_t> buffer, Sha256& sha) {
    for (uint64_t at = 0; at < length;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), length - at));
        if (!ReadAt(fd, offset + at, buffer.first(n)) || !sha.Update(buffer.first(n)))
            return false;
        at += n;
    }
    return true;
}

}  // namespace wizard
