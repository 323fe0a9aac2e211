// The welcome text the boot loader shows before the wiping environment starts.
#include "wizard/config/boot_config_writer.h"

namespace wizard {
namespace {

// Boot loader display-file control: clear screen, colour 09, an empty
// picture name, then four empty lines.
constexpr char kWelcomeStart[] =
    "\x0C\n\x0F"
    "09\n\x18\n\n\n\n";
// Back to colour 07 and an empty line.
constexpr char kWelcomeEnd[] =
    "\x0F"
    "07\n\n";

constexpr char kMakerNotice[] = "Copyright (C) 2016-2026 Korvane. All rights reserved.";
constexpr char kTrademarkNotice[] = "Linux is a registered trademark of Linus Torvalds.";

constexpr char kSparcSystemInfo[] =
    "\n"
    "   System information:\n"
    "      Architecture: ${ARCH}\n"
    "      System type: ${SYSTYPE}\n"
    "      PROM type: ${PROM}\n"
    "\n";

std::string WelcomeBody(const std::string& productVersion) {
    std::string text;
    text += "        Quelix Omnisweep " + productVersion + " - Whole Hard Drive Wiping Utility\n";
    text += std::string(20, ' ') + kMakerNotice + "\n\n";
    text += "   Quelix Omnisweep starts from bootable disk with Linux operating system.\n";
    text += std::string(11, ' ') + kTrademarkNotice + "\n";
    return text;
}

}  // namespace

std::string BootConfigWriter::WelcomeText(WelcomeVariant variant) const {
    const std::string body = WelcomeBody(settings_.ProductVersion);
    if (variant == WelcomeVariant::Sparc) {
        return body + kSparcSystemInfo;
    }
    return kWelcomeStart + body + kWelcomeEnd;
}

}  // namespace wizard
