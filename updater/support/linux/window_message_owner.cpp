// The command line has no windows: a message is one line "caption: text" on
// standard error, answered as if OK had been pressed.
#include <cstdio>

#include "updater/support/message_owner.h"

namespace updater {

int WindowMessageOwner::Show(platform::WStringView text, platform::WStringView caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", platform::ToUtf8(caption).c_str(),
                 platform::ToUtf8(text).c_str());
    return kMessageAnswerOk;
}

MessageOwner& UnownedMessages() {
    static WindowMessageOwner unowned(nullptr);
    return unowned;
}

}  // namespace updater
