// The update program's command line on Linux.
#include <cstdio>

#include "platform/files.h"
#include "platform/text.h"

int main(int, char**) {
    const platform::WString config = platform::JoinPath(platform::ProgramFolder(), u"renovo.cfg");
    if (!platform::PathExists(config)) {
        std::fprintf(stderr, "Renovo: no configuration at %s; nothing to update\n",
                     platform::ToUtf8(config).c_str());
        return 0;
    }
    std::fprintf(stderr, "Renovo: the update flow is not available in this build\n");
    return 0;
}
