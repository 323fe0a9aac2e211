// BootConfigWriter: the three configuration files the wiping environment reads
// from the boot medium, made from WizardSettings:
//   welcome.txt / welcome.sparc.txt  the text the boot loader shows first
//   wipe_config                      shell assignments for the start-up scripts
//   policy.cfg                       the wipe policy per drive class (JSON)
// Files are single-byte text in the ANSI code page with CR LF line ends; the
// in-memory wipe_config text for the configuration archive has LF line ends.
//
// The writer only reads the settings. It is used by the build worker while no
// page touches the settings (or by the command line); one writer, one thread.
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "platform/text.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

enum class WelcomeVariant { Standard = 0, Sparc = 1 };

// Size of the caller's buffer for FormatWipeConfig.
constexpr std::size_t kWipeConfigBufferSize = 65536;

class BootConfigWriter {
  public:
    explicit BootConfigWriter(const WizardSettings& settings) : settings_(settings) {}

    // Each Write... creates or truncates the file at path (its folder must
    // exist) and returns false when the file cannot be created or written.
    bool WriteWelcomeText(platform::WStringView path, WelcomeVariant variant) const;
    bool WriteWipeConfig(platform::WStringView path) const;
    // Also false, and no file is created, when a drive class's scheme index
    // points past the catalogue (an empty catalogue): there is no policy then.
    bool WritePolicyFile(platform::WStringView path) const;

    // Places the wipe_config text (LF line ends, no NUL) in buffer and returns
    // its length; 0 when it does not fit.
    std::size_t FormatWipeConfig(std::span<char> buffer) const;

    // The texts with LF line ends.
    std::string WelcomeText(WelcomeVariant variant) const;
    std::string WipeConfigText() const;
    // False when a drive class has no scheme in the catalogue.
    bool PolicyText(std::string& text) const;

  private:
    const WizardSettings& settings_;
};

// Every LF of text becomes CR LF.
std::string ToCrLf(std::string_view text);

// The name of a scheme in policy.cfg: its file name in the ANSI code page, cut
// at the last '.' (a name without a dot stays whole).
std::string PolicySchemeName(const WipeScheme& scheme);

}  // namespace wizard
