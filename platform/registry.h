// Registry: a typed key/value store with the semantics of the Windows registry.
//
// Windows: the real registry. Linux: text files in the ".reg" format, one per
// hive: $XDG_CONFIG_HOME/Korvane/registry.reg (default ~/.config) for the
// current user and /etc/Korvane/registry.reg for the machine. Every call on the
// Linux store reads the file afresh; writes replace it atomically under an
// advisory lock, so two processes writing at once lose nothing. A file that
// cannot be read or parsed reads as an empty store and is never overwritten.
//
// Results are Windows error numbers (0 success, 2 not found, 234 buffer too
// small, ...). A RegistryKey may be used from one thread at a time.
//
// On Linux, key paths and value names compare ignoring ASCII case, as on
// Windows. Names holding control characters (below U+0020) or unpaired
// surrogates cannot be written to the file and give 87; so does a name with an
// embedded NUL on either target, which the Win32 calls would silently cut short.
// A Linux store file is at most 16 MiB; a value that would not fit gives 87.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/text.h"

namespace platform {

enum class Hive { CurrentUser, LocalMachine };

// Value types, with the registry's numbers.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// Access flags, with the registry's numbers.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWrite = 0x20006;
constexpr uint32_t kKeyWow64_64Key = 0x0100;
constexpr uint32_t kKeyWow64_32Key = 0x0200;

// A string value as QueryString reads it.
struct StringValue {
    WString text;              // the units before the first NUL (FromUtf16LeBytes)
    uint32_t type = kRegNone;  // kRegSz or kRegExpandSz
    bool terminated = false;   // whole units, the last a NUL, as SetString writes them
};

class RegistryKey {
  public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // Opens an existing key ("SOFTWARE\\Korvane\\..."; backslash-separated;
    // an empty path is the hive's root). A key that was open is closed first,
    // also when the call fails. A missing key gives 2.
    long Open(Hive hive, WStringView path, uint32_t access);
    // Opens the key, creating it and any missing parents. On Linux a store file
    // that exists but cannot be read or parsed gives 1009 and stays untouched.
    long Create(Hive hive, WStringView path, uint32_t access);
    void Close();
    bool IsOpen() const;

    // RegQueryValueEx semantics: type may be null; with data null, *size gets
    // the value's byte count; a buffer smaller than the value gives 234 and
    // *size the byte count needed (never a byte past the given size); a missing
    // value gives 2. A key opened without kKeyQueryValue gives 5, a closed one 6.
    long Query(WStringView name, uint32_t* type, uint8_t* data, uint32_t* size) const;
    // Stores the bytes exactly as given, with the given type (also a REG_SZ
    // without its NUL). A key opened without kKeySetValue gives 5; on Linux a
    // store that cannot be read or parsed gives 1009 and stays untouched.
    long Set(WStringView name, uint32_t type, const uint8_t* data, uint32_t size);

    // Conveniences over Query/Set.
    // A REG_DWORD of exactly four bytes; any other value gives 1630 and leaves
    // value as it was.
    long QueryDword(WStringView name, uint32_t& value) const;
    // The whole value with its type.
    long QueryBytes(WStringView name, uint32_t& type, std::vector<uint8_t>& data) const;
    // A REG_SZ or REG_EXPAND_SZ value, decoded. A missing value gives 2, any
    // other type 1630, a value of more than maxBytes bytes 234; value is
    // unchanged then.
    long QueryString(WStringView name, StringValue& value, uint32_t maxBytes = 0xFFFFFFFF) const;
    long SetDword(WStringView name, uint32_t value);
    // Writes a REG_SZ (or REG_EXPAND_SZ) with its terminating NUL, so the byte
    // count is 2 * characters + 2, as on Windows. Other types give 87.
    long SetString(WStringView name, WStringView value, uint32_t type = kRegSz);

  private:
#ifdef _WIN32
    void* handle_ = nullptr;  // HKEY
#else
    Hive hive_ = Hive::CurrentUser;
    WString path_;
    uint32_t access_ = 0;
    bool open_ = false;
    void Bind(Hive hive, WStringView path, uint32_t access);  // records an opened key
#endif
};

#ifndef _WIN32
// The file behind a hive on Linux. Tests and the command line may point a hive
// at another file; an empty path restores the default location. Without an
// override the machine hive also honours KORVANE_MACHINE_REGISTRY, so end-to-end
// tests need not write to /etc, except in a process running as root or set-id,
// which reads machine policy from /etc/Korvane only. Writes lock "<file>.lock"
// beside the store.
std::string RegistryFilePath(Hive hive);
void SetRegistryFilePath(Hive hive, const std::string& path);
#endif

}  // namespace platform
