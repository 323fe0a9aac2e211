#include "updater/verify/appended_signature.h"

#include <cstring>

namespace updater {

AppendedLayoutResult ParseAppendedLayout(uint64_t fileSize, std::span<const uint8_t> tail,
                                         AppendedLayout& layout) {
    layout = {};
    if (fileSize < kSignatureTailBytes || tail.size() != kSignatureTailBytes)
        return AppendedLayoutResult::NoSignature;
    const uint8_t* magic = tail.data() + kSignatureTrailerBytes;
    if (std::memcmp(magic, kSignatureMagic.data(), kSignatureMagic.size()) != 0)
        return AppendedLayoutResult::NoSignature;
    const uint8_t* trailer = tail.data();
    if (trailer[2] != kSignatureIdPkcs7)
        return AppendedLayoutResult::OtherIdType;
    for (const int unused : {0, 1, 3, 4, 5, 6, 7}) {
        if (trailer[unused] != 0)
            return AppendedLayoutResult::OddTrailer;
    }
    const uint64_t length = (uint64_t{trailer[8]} << 24) | (uint64_t{trailer[9]} << 16) |
                            (uint64_t{trailer[10]} << 8) | uint64_t{trailer[11]};
    if (length == 0 || length > fileSize - kSignatureTailBytes)
        return AppendedLayoutResult::BadLength;
    layout.signatureBytes = length;
    layout.contentBytes = fileSize - kSignatureTailBytes - length;
    return AppendedLayoutResult::Ok;
}

std::string AppendedTail(uint32_t signatureBytes) {
    std::string tail(kSignatureTrailerBytes, '\0');
    tail[2] = static_cast<char>(kSignatureIdPkcs7);
    tail[8] = static_cast<char>(signatureBytes >> 24);
    tail[9] = static_cast<char>(signatureBytes >> 16);
    tail[10] = static_cast<char>(signatureBytes >> 8);
    tail[11] = static_cast<char>(signatureBytes);
    tail += kSignatureMagic;
    return tail;
}

}  // namespace updater
