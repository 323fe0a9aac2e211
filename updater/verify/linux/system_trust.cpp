// The Linux trust verifier: appended signatures checked with OpenSSL.
#include "updater/verify/linux/appended_verifier.h"
#include "updater/verify/signature_check.h"
#include "updater/verify/trust_verifier.h"

namespace updater {
namespace {

class HeldBytes : public SignedBytes {
  public:
    explicit HeldBytes(const HeldFile& file) : file_(file) {}
    uint64_t Size() const override { return file_.Size(); }
    int64_t ReadAt(uint64_t offset, void* buffer, size_t size) const override {
        return file_.ReadAt(offset, buffer, size);
    }

  private:
    const HeldFile& file_;
};

class OpenSslTrustVerifier : public TrustVerifier {
  public:
    long Verify(const HeldFile& file, std::string& signer) override {
        signer.clear();
        if (!file.IsOpen())
            return kTrustMissingArgument;
        return VerifyAppendedSignature(HeldBytes(file), signer);
    }
};

}  // namespace

TrustVerifier& SystemTrustVerifier() {
    static OpenSslTrustVerifier verifier;
    return verifier;
}

bool SystemOlderThanNt6() {
    return false;
}

}  // namespace updater
