#include "updater/verify/digest.h"

#include <new>

#include "platform/input_file.h"

namespace updater {
namespace {

bool ValidAlgorithm(int algorithm) {
    return algorithm >= 0 && static_cast<size_t>(algorithm) < kDigestAlgorithms.size();
}

}  // namespace

DigestResult ComputeFileDigest(platform::WStringView path, int algorithm,
                               std::vector<uint8_t>& digest) {
    digest.clear();
    platform::InputFile file;
    if (!file.Open(path))
        return DigestResult::CannotRead;
    if (!ValidAlgorithm(algorithm))
        return DigestResult::InvalidAlgorithm;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(kDigestBufferBytes);
    } catch (const std::bad_alloc&) {
        return DigestResult::NoResources;
    }
    DigestEngine engine;
    if (!engine.Start(algorithm))
        return DigestResult::NoResources;
    for (;;) {
        const int64_t n = file.Read(buffer.data(), buffer.size());
        if (n < 0)
            return DigestResult::CannotRead;
        if (n == 0)
            break;
        if (!engine.Update(std::span(buffer.data(), static_cast<size_t>(n))))
            return DigestResult::NoResources;
    }
    return engine.Finish(digest) ? DigestResult::Ok : DigestResult::NoResources;
}

platform::WString DigestText(std::span<const uint8_t> digest) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    platform::WString text;
    text.reserve(digest.size() * 2);
    for (const uint8_t byte : digest) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

bool FileDigestText(platform::WStringView path, int algorithm, platform::WString& text,
                    size_t capacity, MessageOwner& messages) {
    std::vector<uint8_t> digest;
    switch (ComputeFileDigest(path, algorithm, digest)) {
        case DigestResult::Ok:
            text = DigestText(digest).substr(0, capacity > 0 ? capacity - 1 : 0);
            return true;
        case DigestResult::CannotRead:
            messages.Show(path, u"Error in file mapping", kMessageErrorIcon);
            return false;
        case DigestResult::InvalidAlgorithm:
            messages.Show(path, u"Invalid hash algorithm number", kMessageErrorIcon);
            return false;
        case DigestResult::NoResources:
            messages.Show(path, u"Allocation error", kMessageErrorIcon);
            return false;
    }
    return false;
}

}  // namespace updater
