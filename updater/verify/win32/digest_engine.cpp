// Digests from the system's CNG primitives (bcrypt.dll).
#include <windows.h>

#include <bcrypt.h>

#include "updater/verify/digest.h"

namespace updater {
namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

struct DigestEngine::State {
    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;

    void CloseHash() {
        if (hash != nullptr)
            BCryptDestroyHash(hash);
        hash = nullptr;
    }
    void Close() {
        CloseHash();
        if (provider != nullptr)
            BCryptCloseAlgorithmProvider(provider, 0);
        provider = nullptr;
    }
    ~State() { Close(); }
};

DigestEngine::DigestEngine() : state_(std::make_unique<State>()) {}
DigestEngine::~DigestEngine() = default;

bool DigestEngine::Start(int algorithm) {
    algorithm_ = -1;
    state_->Close();
    const wchar_t* id = algorithm == kSha512 ? BCRYPT_SHA512_ALGORITHM
                        : algorithm == kMd5  ? BCRYPT_MD5_ALGORITHM
                                             : nullptr;
    if (id == nullptr)
        return false;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&state_->provider, id, nullptr, 0))) {
        state_->provider = nullptr;
        return false;
    }
    // The system keeps the hash object itself (no object buffer given).
    if (!Succeeded(BCryptCreateHash(state_->provider, &state_->hash, nullptr, 0, nullptr, 0, 0))) {
        state_->hash = nullptr;
        state_->Close();
        return false;
    }
    algorithm_ = algorithm;
    return true;
}

bool DigestEngine::Update(std::span<const uint8_t> data) {
    if (algorithm_ < 0)
        return false;
    // ULONG sizes: larger spans go in pieces.
    constexpr size_t kPiece = size_t{1} << 30;
    while (!data.empty()) {
        const size_t n = data.size() < kPiece ? data.size() : kPiece;
        if (!Succeeded(BCryptHashData(state_->hash, const_cast<PUCHAR>(data.data()),
                                      static_cast<ULONG>(n), 0))) {
            return false;
        }
        data = data.subspan(n);
    }
    return true;
}

bool DigestEngine::Finish(std::vector<uint8_t>& digest) {
    if (algorithm_ < 0)
        return false;
    digest.resize(kDigestAlgorithms[static_cast<size_t>(algorithm_)].digestBytes);
    const bool ok = Succeeded(
        BCryptFinishHash(state_->hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    algorithm_ = -1;
    state_->Close();
    if (!ok)
        digest.clear();
    return ok;
}

}  // namespace updater
