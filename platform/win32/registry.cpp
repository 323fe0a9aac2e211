// The Windows registry: thin wrappers over the advapi32 calls; their error
// numbers are the results.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

HKEY RootKey(Hive hive) {
    return hive == Hive::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

HKEY AsKey(void* handle) {
    return static_cast<HKEY>(handle);
}

// The Win32 calls take NUL-terminated names: an embedded NUL would silently
// name another key or value.
bool HasNul(WStringView s) {
    return s.find(u'\0') != WStringView::npos;
}

bool IsStringType(uint32_t type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

RegistryKey::~RegistryKey() {
    Close();
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

long RegistryKey::Open(Hive hive, WStringView path, uint32_t access) {
    Close();
    if (HasNul(path))
        return kErrorInvalidParameter;
    const WString subkey(path);
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExW(RootKey(hive), Wide(subkey), 0, access, &key);
    if (rc == ERROR_SUCCESS)
        handle_ = key;
    return rc;
}

long RegistryKey::Create(Hive hive, WStringView path, uint32_t access) {
    Close();
    if (HasNul(path))
        return kErrorInvalidParameter;
    const WString subkey(path);
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExW(RootKey(hive), Wide(subkey), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (rc == ERROR_SUCCESS)
        handle_ = key;
    return rc;
}

void RegistryKey::Close() {
    if (handle_ != nullptr)
        RegCloseKey(AsKey(std::exchange(handle_, nullptr)));
}

bool RegistryKey::IsOpen() const {
    return handle_ != nullptr;
}

long RegistryKey::Query(WStringView name, uint32_t* type, uint8_t* data, uint32_t* size) const {
    if (handle_ == nullptr)
        return kErrorInvalidHandle;
    // A name with a NUL cannot be stored, so no such value exists.
    if (HasNul(name))
        return kErrorFileNotFound;
    const WString valueName(name);
    DWORD foundType = REG_NONE;
    DWORD byteCount = size != nullptr ? *size : 0;
    const LONG rc = RegQueryValueExW(AsKey(handle_), Wide(valueName), nullptr, &foundType, data,
                                     size != nullptr ? &byteCount : nullptr);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        if (type != nullptr)
            *type = foundType;
        if (size != nullptr)
            *size = byteCount;
    }
    return rc;
}

long RegistryKey::Set(WStringView name, uint32_t type, const uint8_t* data, uint32_t size) {
    if (handle_ == nullptr)
        return kErrorInvalidHandle;
    if (HasNul(name) || (data == nullptr && size != 0))
        return kErrorInvalidParameter;
    const WString valueName(name);
    if (!IsStringType(type)) {
        return RegSetValueExW(AsKey(handle_), Wide(valueName), 0, type, data, size);
    }
    // For string types the system adds a NUL the caller "forgot" when the
    // character just past the given bytes is NUL, reading beyond the buffer to
    // find out. A copy followed by non-NUL bytes keeps the value exactly as given.
    std::vector<uint8_t> padded(data, data + size);
    padded.insert(padded.end(), {0xFF, 0xFF, 0xFF});
    return RegSetValueExW(AsKey(handle_), Wide(valueName), 0, type, padded.data(), size);
}

}  // namespace platform
