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
        case kMsgConfirmOverwrite:
            return u"The program will completely overwrite the contents of the removable disk.\n"
                   u"Please make certain that the disk does not contain any files you wish to keep "
                   u"before proceeding.\n\nAre you sure you want to overwrite the removable "
                   u"disk?\"";
        case kMsgVolumeBusy:
            return u"There are opened files or windows from the removable disk.\n\nClose all the "
                   u"files or windows and run the command again.";
        case kMsgMbrFailed:
            return u"Error in creating MBR sector.";
        case kMsgNotFormatted:
            return u"The disk was not formatted.";
        case kMsgSyslinuxFailed:
            return u"Error in creating USB bootable drive: SYSLINUX utility failed.";
        default:
            return {};
    }
}

}  // namespace wizard
