// wipe_config: "export NAME=value" lines that the wiping environment sources.
#include <algorithm>

#include "wizard/config/boot_config_writer.h"
#include "wizard/config/shell_value.h"

namespace wizard {
namespace {

const char* YesNo(int32_t flag) {
    return flag == 1 ? "y" : "n";
}

void AddLine(std::string& text, std::string_view name, std::string_view value) {
    text += "export ";
    text += name;
    text += '=';
    text += ShellValue(value);
    text += '\n';
}

// Windows separators become slashes: \\server\share -> //server/share,
// DOMAIN\user -> DOMAIN/user.
std::string WithSlashes(platform::WStringView text) {
    platform::WString copy(text);
    std::replace(copy.begin(), copy.end(), u'\\', u'/');
    return platform::ToAnsi(copy);
}

}  // namespace

std::string BootConfigWriter::WipeConfigText() const {
    const WizardSettings& s = settings_;
    std::string text;
    AddLine(text, "USE_SHELL", s.AutoStart == 1 ? "n" : "y");
    AddLine(text, "WIPE_ALL_DISKS", YesNo(s.AutoStart));
    AddLine(text, "USE_NODELAY", YesNo(s.NoDelay));
    AddLine(text, "USE_LOGFILE", YesNo(s.WriteLog));
    AddLine(text, "LOCK_PRESET", YesNo(s.LockPreset));
    if (s.NetLog != 1) {
        AddLine(text, "USE_LOGSHARE", "n");
        return text;
    }
    AddLine(text, "USE_LOGSHARE", "y");
    AddLine(text, "NET_SHARE", WithSlashes(s.NetShare));
    AddLine(text, "NET_USER", WithSlashes(s.NetUser));
    AddLine(text, "NET_PASS", platform::ToAnsi(s.NetPassword));
    AddLine(text, "NET_ASKPASS", "n");
    return text;
}

}  // namespace wizard
