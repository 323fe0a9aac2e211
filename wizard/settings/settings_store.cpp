// Persistence of WizardSettings in the registry: LoadSettings and SaveSettings.
#include <array>
#include <cstdint>
#include <vector>

#include "platform/registry.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {
namespace {

constexpr uint32_t kSettingsAccess = platform::kKeyRead | platform::kKeyWrite;  // 0x2001F

// Strings are read into a buffer of this many characters, terminator included.
constexpr size_t kStringBufferChars = 260;

// An index value that is missing or not a REG_DWORD loads as this.
constexpr int32_t kMissingSchemeIndex = 3;

struct FlagValue {
    const char16_t* name;
    int32_t WizardSettings::*field;
};

// The persisted flags, in the order they are read and written.
constexpr std::array<FlagValue, 14> kFlags{{
    {u"AutoStart", &WizardSettings::AutoStart},
    {u"UseDefaultSetings", &WizardSettings::UseDefaultSetings},
    {u"NoDelay", &WizardSettings::NoDelay},
    {u"WriteLog", &WizardSettings::WriteLog},
    {u"NetLog", &WizardSettings::NetLog},
    {u"VerifyHdd", &WizardSettings::VerifyHdd},
    {u"VerifySsd", &WizardSettings::VerifySsd},
    {u"VerifyRemovables", &WizardSettings::VerifyRemovables},
    {u"VerifyHybrid", &WizardSettings::VerifyHybrid},
    {u"ResetHPA", &WizardSettings::ResetHPA},
    {u"ResetDCO", &WizardSettings::ResetDCO},
    {u"AtaErase", &WizardSettings::AtaErase},
    {u"ChooseUsb", &WizardSettings::ChooseUsb},
    {u"IsoShowFolder", &WizardSettings::IsoShowFolder},
}};

constexpr std::array<FlagValue, 4> kSchemeValues{{
    {u"SchemeHdd", &WizardSettings::SchemeHdd},
    {u"SchemeSsd", &WizardSettings::SchemeSsd},
    {u"SchemeRemovables", &WizardSettings::SchemeRemovables},
    {u"SchemeHybrid", &WizardSettings::SchemeHybrid},
}};

// A REG_SZ or REG_EXPAND_SZ, NUL-terminated, that fits the buffer; anything
// else counts as missing.
std::optional<platform::WString> ReadString(const platform::RegistryKey& key,
                                            const char16_t* name) {
    platform::StringValue value;
    if (key.QueryString(name, value, 2 * kStringBufferChars) != platform::kErrorSuccess ||
        !value.terminated)
        return std::nullopt;
    return value.text;
}

void ReadValues(const platform::RegistryKey& key, WizardSettings& s) {
    for (const FlagValue& flag : kFlags) {
        uint32_t value = 0;
        if (key.QueryDword(flag.name, value) == platform::kErrorSuccess) {
            s.*flag.field = value != 0 ? 1 : 0;
        }
    }
    for (const FlagValue& index : kSchemeValues) {
        uint32_t value = 0;
        const bool ok = key.QueryDword(index.name, value) == platform::kErrorSuccess;
        s.*index.field = ok ? static_cast<int32_t>(value) : kMissingSchemeIndex;
    }
    s.IsoPath = ReadString(key, u"IsoPath");
    s.NetShare = ReadString(key, u"NetShare").value_or(platform::WString());
    s.NetUser = ReadString(key, u"NetUser").value_or(platform::WString());
}

}  // namespace

void WizardSettings::LoadSettings() {
    ResetToRecommended();
    platform::RegistryKey key;
    if (key.Open(platform::Hive::CurrentUser, kSettingsKeyPath, kSettingsAccess) ==
        platform::kErrorSuccess) {
        ReadValues(key, *this);
    }
    // Whatever the store holds, the password is never taken over from it.
    NetPassword.clear();
    RescanSchemes();
    ValidateSchemeIndices();
    ApplyDefaultIsoPath();
}

void WizardSettings::SaveSettings() {
    platform::RegistryKey key;
    if (key.Create(platform::Hive::CurrentUser, kSettingsKeyPath, kSettingsAccess) !=
        platform::kErrorSuccess) {
        return;
    }
    for (const FlagValue& flag : kFlags)
        key.SetDword(flag.name, this->*flag.field != 0 ? 1 : 0);
    ValidateSchemeIndices();
    for (const FlagValue& index : kSchemeValues) {
        key.SetDword(index.name, static_cast<uint32_t>(this->*index.field));
    }
    if (IsoPath && IsoPath->size() >= 4)
        key.SetString(u"IsoPath", *IsoPath);
    if (!NetShare.empty())
        key.SetString(u"NetShare", NetShare);
    if (!NetUser.empty())
        key.SetString(u"NetUser", NetUser);
}

}  // namespace wizard
