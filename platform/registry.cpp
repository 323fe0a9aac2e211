// The conveniences of RegistryKey, over Query and Set of each target.
#include "platform/registry.h"

#include <algorithm>

namespace platform {

long RegistryKey::QueryDword(WStringView name, uint32_t& value) const {
    uint32_t type = kRegNone;
    uint8_t bytes[4] = {};
    uint32_t size = sizeof(bytes);
    const long rc = Query(name, &type, bytes, &size);
    if (rc == kErrorMoreData)
        return kErrorUnsupportedType;
    if (rc != kErrorSuccess)
        return rc;
    if (type != kRegDword || size != sizeof(bytes))
        return kErrorUnsupportedType;
    value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
    return kErrorSuccess;
}

long RegistryKey::QueryBytes(WStringView name, uint32_t& type, std::vector<uint8_t>& data) const {
    // Another process may grow the value between asking its size and reading
    // it; then ask again.
    for (int attempt = 0; attempt < 8; ++attempt) {
        uint32_t size = 0;
        uint32_t found = kRegNone;
        long rc = Query(name, &found, nullptr, &size);
        if (rc != kErrorSuccess)
            return rc;
        // At least one byte, so the buffer pointer is never null: a null buffer
        // would only ask for the size again.
        std::vector<uint8_t> buffer(std::max<uint32_t>(size, 1));
        size = static_cast<uint32_t>(buffer.size());
        rc = Query(name, &found, buffer.data(), &size);
        if (rc == kErrorMoreData)
            continue;
        if (rc != kErrorSuccess)
            return rc;
        buffer.resize(size);
        type = found;
        data = std::move(buffer);
        return kErrorSuccess;
    }
    return kErrorMoreData;
}

long RegistryKey::QueryString(WStringView name, StringValue& value, uint32_t maxBytes) const {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    const long rc = QueryBytes(name, type, data);
    if (rc != kErrorSuccess)
        return rc;
    if (type != kRegSz && type != kRegExpandSz)
        return kErrorUnsupportedType;
    if (data.size() > maxBytes)
        return kErrorMoreData;
    value.text = FromUtf16LeBytes(data);
    value.type = type;
    value.terminated =
        data.size() >= 2 && data.size() % 2 == 0 && data.end()[-1] == 0 && data.end()[-2] == 0;
    return kErrorSuccess;
}

long RegistryKey::SetDword(WStringView name, uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return Set(name, kRegDword, bytes, sizeof(bytes));
}

long RegistryKey::SetString(WStringView name, WStringView value, uint32_t type) {
    if (type != kRegSz && type != kRegExpandSz)
        return kErrorInvalidParameter;
    if (value.size() >= 0x7FFFFFFF / 2)
        return kErrorInvalidParameter;
    std::vector<uint8_t> bytes = ToUtf16LeBytes(value);
    bytes.insert(bytes.end(), {0, 0});
    return Set(name, type, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

}  // namespace platform
