#include "updater/support/module_loader.h"

#include "updater/support/formatter.h"

namespace updater {

bool LoadModuleReporting(platform::Library& library, platform::WStringView name,
                         MessageOwner& owner) {
    if (library.Load(name))
        return true;
    const int error = LastSystemError();
    const platform::WString nameText(name);
    const platform::WString text =
        FormatToString(1024, u"%s '%s'\nerr - %d", u"Can not load module", nameText.c_str(), error);
    owner.Show(text, u"Error", kMessageOk | kMessageErrorIcon);
    return false;
}

}  // namespace updater
