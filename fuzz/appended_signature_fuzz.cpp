// Arbitrary bytes as a signed file for the Linux signature check: the layout
// read from the tail always lies inside the file, and the verifier answers
// with a result number (never a trusted signer: the trust store is empty).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/require.h"
#include "updater/verify/appended_signature.h"
#include "updater/verify/linux/appended_verifier.h"

using qo::fuzz::Require;

namespace {

class MemoryBytes : public updater::SignedBytes {
  public:
    MemoryBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) const override {
        if (offset >= size_)
            return 0;
        const size_t n = std::min<size_t>(size, size_ - offset);
        std::memcpy(buffer, data_ + offset, n);
        return static_cast<int64_t>(n);
    }

  private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No system anchors: nothing the fuzzer makes can be trusted.
    setenv("SSL_CERT_FILE", "/nonexistent", 1);
    setenv("SSL_CERT_DIR", "/nonexistent", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace updater;
    const size_t tailSize = size < kSignatureTailBytes ? size : kSignatureTailBytes;
    AppendedLayout layout;
    if (ParseAppendedLayout(size, std::span(data + size - tailSize, tailSize), layout) ==
        AppendedLayoutResult::Ok) {
        Require(layout.signatureBytes > 0);
        Require(layout.contentBytes + layout.signatureBytes + kSignatureTailBytes == size);
    }
    std::string signer;
    const long result = VerifyAppendedSignature(MemoryBytes(data, size), signer);
    Require(result != 0 && signer.empty());
    return 0;
}
