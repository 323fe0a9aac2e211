#include "wizard/media/build_messages.h"

namespace wizard {

platform::WString BuildErrorText(int stringId) {
    switch (stringId) {
        case kMsgMkisofsFailed:
            return u"Error in creating ISO image file: MKISOFS utility failed.";
        case kMsgIsoMissing:
            return u"Error in creating ISO image file: no pre-installed file 'quelixcd.iso' "
                   u"found.";
        case kMsgIsoCorrupted:
            return u"Error in creating ISO image file: pre-installed file 'quelixcd.iso' "
                   u"corrupted.";
        case kMsgIsoCopyFailed:
            return u"Error in creating ISO image file: cannot copy 'quelixcd.iso' file.";
        default:
            return {};
    }
}

}  // namespace wizard
