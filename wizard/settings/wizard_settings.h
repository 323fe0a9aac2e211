// WizardSettings: the one record of the wizard's choices and build inputs,
// with its persistence under HKEY_CURRENT_USER\SOFTWARE\Korvane\Quelix
// Omnisweep\Data (on Linux the platform's registry store).
//
// The application owns one instance for the whole run. It is not locked: the
// interface thread uses it, except during a build, when only the build worker
// reads it and sets BuildResult.
//
// The data members and the inline helpers need no library; the member
// functions declared out of line live in wizard_settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/text.h"
#include "wizard/bootconfig/scheme_catalogue.h"
#include "wizard/bootconfig/wipe_scheme.h"
#include "wizard/media/usb_disk_info.h"

namespace wizard {

// The classes of drives, in the order the registry stores them.
enum class DriveClass { Hdd, Ssd, Removables, Hybrid };

// The registry key of the settings, below HKEY_CURRENT_USER.
inline constexpr char16_t kSettingsKeyPath[] = u"SOFTWARE\\Korvane\\Quelix Omnisweep\\Data";

// Product version text when the program carries none.
inline constexpr char kUndefinedProductVersion[] = "<Not defined>";
// ProductVersion holds at most this many single-byte characters.
constexpr size_t kProductVersionMaxChars = 31;

// Where the settings find what lies outside the record. The program uses
// DefaultSettingsEnvironment(); tests point it at temporary folders.
struct SettingsEnvironment {
    platform::WString SchemesFolder;  // the folder of the "*.sch" files
    // The user's documents folder; empty when it cannot be obtained.
    platform::WString DocumentsFolder;
    platform::WString ProgramFolder;  // the fallback folder for the ISO image
};
SettingsEnvironment DefaultSettingsEnvironment();

struct WizardSettings {
    // The defaults with an empty catalogue and an undefined product version;
    // no file or registry access (for builders' and pages' tests).
    WizardSettings() = default;
    // The program's construction: the defaults, then the scheme catalogue of
    // env.SchemesFolder (with the recommended picks) and the product version.
    explicit WizardSettings(SettingsEnvironment env);

    int32_t WindowX = 0;  // last page window position; 0, 0 = not set
    int32_t WindowY = 0;
    UsbDiskList UsbDisks;
    int32_t AutoStart = 1;          // 1 automatic mode, 0 manual mode
    int32_t UseDefaultSetings = 1;  // 1 = recommended wiping options
    int32_t NoDelay = 0;
    int32_t WriteLog = 0;           // log to the USB drive
    int32_t NetLog = 0;             // log to a network share
    platform::WString NetShare;     // UNC path
    platform::WString NetUser;      // "domain\user", "user" or empty
    platform::WString NetPassword;  // never persisted
    int32_t SchemeHdd = 0;          // indices into Schemes
    int32_t SchemeSsd = 0;
    int32_t SchemeRemovables = 0;
    int32_t SchemeHybrid = 0;
    SchemeList Schemes;
    int32_t VerifyHdd = 0;
    int32_t VerifySsd = 0;
    int32_t VerifyRemovables = 0;
    int32_t VerifyHybrid = 0;
    int32_t ResetHPA = 0;
    int32_t ResetDCO = 0;
    int32_t AtaErase = 1;
    int32_t ChooseUsb = 1;  // 1 USB drive, 0 ISO image
    int32_t SelectedUsbDisk = 0;
    std::optional<platform::WString> IsoPath;  // nullopt = not set
    int32_t IsoShowFolder = 1;
    std::string ProductVersion = kUndefinedProductVersion;  // ANSI, <= 31 chars
    int32_t BuildResult = 1;                                // 1 not completed, 0 created, 2 failed
    int32_t LockPreset = 0;                                 // not persisted

    // Where the record looks for schemes and folders.
    SettingsEnvironment Environment;

    int32_t& SchemeIndex(DriveClass c) {
        switch (c) {
            case DriveClass::Hdd:
                return SchemeHdd;
            case DriveClass::Ssd:
                return SchemeSsd;
            case DriveClass::Removables:
                return SchemeRemovables;
            default:
                return SchemeHybrid;
        }
    }
    int32_t SchemeIndex(DriveClass c) const {
        return const_cast<WizardSettings*>(this)->SchemeIndex(c);
    }
    int32_t& Verify(DriveClass c) {
        switch (c) {
            case DriveClass::Hdd:
                return VerifyHdd;
            case DriveClass::Ssd:
                return VerifySsd;
            case DriveClass::Removables:
                return VerifyRemovables;
            default:
                return VerifyHybrid;
        }
    }
    int32_t Verify(DriveClass c) const { return const_cast<WizardSettings*>(this)->Verify(c); }
    // The scheme of a drive class, or null when the index points past the catalogue.
    const WipeScheme* SchemeOf(DriveClass c) const {
        const int32_t i = SchemeIndex(c);
        return i >= 0 && static_cast<size_t>(i) < Schemes.size() ? &Schemes[static_cast<size_t>(i)]
                                                                 : nullptr;
    }
    SchemeIndices Indices() { return {SchemeHdd, SchemeSsd, SchemeRemovables, SchemeHybrid}; }

    // Rebuilds Schemes from Environment.SchemesFolder (see RescanSchemes).
    bool RescanSchemes();
    // Loads the stored choices; never fails visibly.
    void LoadSettings();
    // Stores the persisted fields; errors are ignored. The only registry writer.
    void SaveSettings();
    // Recommended wiping options: indices 0 then rescanned, Verify 0, no HPA or
    // DCO reset, AtaErase 1.
    void ResetToRecommended();
    // Indices outside the catalogue become 0.
    void ValidateSchemeIndices();
    // Keeps IsoPath when it or its folder exists, else documents folder (or
    // program folder) + "quelixcd.iso".
    void ApplyDefaultIsoPath();
};

// The program file's product version ("\StringFileInfo\040904b0\ProductVersion"
// of its version resource on Windows, the build's version on Linux), cut to
// kProductVersionMaxChars; kUndefinedProductVersion when there is none.
std::string ReadProductVersion();
// Cuts a version text to kProductVersionMaxChars.
std::string CutProductVersion(std::string_view text);

}  // namespace wizard
