#include "updater/support/message_owner.h"
#include "updater/support/win32/lang_message_box.h"

namespace updater {

int WindowMessageOwner::Show(platform::WStringView text, platform::WStringView caption,
                             unsigned style) {
    return LangMessageBox(window_, text, caption, style);
}

MessageOwner& UnownedMessages() {
    static WindowMessageOwner unowned(nullptr);
    return unowned;
}

}  // namespace updater
