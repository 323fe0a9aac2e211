// Digests from OpenSSL's libcrypto (EVP interface).
#include <openssl/evp.h>

#include "updater/verify/digest.h"

namespace updater {

struct DigestEngine::State {
    struct Free {
        void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
    };
    std::unique_ptr<EVP_MD_CTX, Free> context;
};

DigestEngine::DigestEngine() : state_(std::make_unique<State>()) {}
DigestEngine::~DigestEngine() = default;

bool DigestEngine::Start(int algorithm) {
    algorithm_ = -1;
    const EVP_MD* md = algorithm == kSha512 ? EVP_sha512()
                       : algorithm == kMd5  ? EVP_md5()
                                            : nullptr;
    if (md == nullptr)
        return false;
    if (!state_->context)
        state_->context.reset(EVP_MD_CTX_new());
    if (!state_->context || EVP_DigestInit_ex(state_->context.get(), md, nullptr) != 1)
        return false;
    algorithm_ = algorithm;
    return true;
}

bool DigestEngine::Update(std::span<const uint8_t> data) {
    if (algorithm_ < 0)
        return false;
    return data.empty() || EVP_DigestUpdate(state_->context.get(), data.data(), data.size()) == 1;
}

bool DigestEngine::Finish(std::vector<uint8_t>& digest) {
    if (algorithm_ < 0)
        return false;
    digest.resize(kDigestAlgorithms[static_cast<size_t>(algorithm_)].digestBytes);
    unsigned length = 0;
    const bool ok = EVP_DigestFinal_ex(state_->context.get(), digest.data(), &length) == 1 &&
                    length == digest.size();
    algorithm_ = -1;
    if (!ok)
        digest.clear();
    return ok;
}

}  // namespace updater
