// Linux: the product version is the build's version, compiled in.
#include "qo_version.h"
#include "wizard/settings/wizard_settings.h"

namespace wizard {

std::string ReadProductVersion() {
    return CutProductVersion(QO_VERSION_TEXT);
}

}  // namespace wizard
