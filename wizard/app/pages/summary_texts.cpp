#include "wizard/app/pages/summary_texts.h"

namespace wizard::pages {

using platform::WString;

namespace {

constexpr size_t kTargetMaxChars = 259;

WString SchemeLine(const WizardSettings& settings, const char16_t* prefix, DriveClass c) {
    WString line = prefix;
    if (const WipeScheme* scheme = settings.SchemeOf(c))
        line += scheme->DisplayName;
    if (settings.Verify(c) == 1)
        line += u" with verification";
    return line;
}

}  // namespace

WString TargetText(const WizardSettings& settings) {
    if (settings.ChooseUsb != 1)
        return settings.IsoPath.value_or(WString());
    const int32_t i = settings.SelectedUsbDisk;
    if (i < 0 || static_cast<size_t>(i) >= settings.UsbDisks.size())
        return {};
    const UsbDiskInfo& disk = settings.UsbDisks[static_cast<size_t>(i)];
    WString text = disk.VolumeLabel + u" (";
    if (disk.DriveLetterIndex >= 0 && disk.DriveLetterIndex < 26)
        text += static_cast<char16_t>(u'A' + disk.DriveLetterIndex);
    text += u":) - " + disk.CapacityText;
    if (text.size() > kTargetMaxChars)
        text.resize(kTargetMaxChars);
    return text;
}

WString WorkModeText(const WizardSettings& settings) {
    if (settings.AutoStart == 1) {
        WString text = u"Automatic mode";
        if (settings.UseDefaultSetings == 1)
            text += u" with Korvane recommended settings";
        return text;
    }
    if (settings.UseDefaultSetings == 1)
        return u"Manual mode, with Korvane recommended settings by default";
    return u"Manual mode, with the following settings by default:";
}

WString SchemesText(const WizardSettings& settings) {
    return WString(u"Wiping schemes:\n") +
           SchemeLine(settings, u"Hard disk drives - ", DriveClass::Hdd) + u"\n" +
           SchemeLine(settings, u"Solid State drives - ", DriveClass::Ssd) + u"\n" +
           SchemeLine(settings, u"Hybrid drives - ", DriveClass::Hybrid) + u"\n" +
           SchemeLine(settings, u"Removable drives - ", DriveClass::Removables);
}

WString OptionsText(const WizardSettings& settings) {
    WString text;
    if (settings.ResetHPA)
        text += u"Reset Host Protected Area\n";
    if (settings.ResetDCO)
        text += u"Reset Device Configuration Overlay\n";
    if (settings.AtaErase)
        text += u"Replace the last wiping pass by ATA ERASE command";
    return text;
}

WString LoggingText(const WizardSettings& settings) {
    WString text;
    if (settings.WriteLog)
        text += u"Write log file to removable USB\n";
    if (settings.NetLog)
        text += u"Write log file to network share \"" + settings.NetShare + u"\", username \"" +
                settings.NetUser + u"\"";
    return text;
}

}  // namespace wizard::pages
