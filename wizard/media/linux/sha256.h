// SHA-256 through OpenSSL's libcrypto: fed in pieces, read as lower-case
// hexadecimal. One object per digest; any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

struct evp_md_ctx_st;

namespace wizard {

class Sha256 {
  public:
    Sha256();
    // False once libcrypto failed; the digest is then empty.
    bool Update(std::span<const uint8_t> bytes);
    // The digest of everything fed so far; empty when libcrypto failed.
    std::string Hex();

  private:
    std::unique_ptr<evp_md_ctx_st, void (*)(evp_md_ctx_st*)> context_;
    bool ok_ = false;
};

// Feeds length bytes of fd from offset into sha, buffer's size at a time;
// false when a read fails or ends early.
bool HashRange(int fd, uint64_t offset, uint64_t length, std::span<uint8_t> buffer, Sha256& sha);

}  // namespace wizard
