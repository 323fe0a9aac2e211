#include "wizard/media/build_messages.h"

namespace wizard {
namespace {

constexpr BuildMessage kMessages[] = {
    {kMsgMkisofsFailed, u"Error in creating ISO image file: MKISOFS utility failed."},
    {kMsgIsoMissing,
     u"Error in creating ISO image file: no pre-installed file 'quelixcd.iso' found."},
    {kMsgIsoCorrupted,
     u"Error in creating ISO image file: pre-installed file 'quelixcd.iso' corrupted."},
    {kMsgIsoCopyFailed, u"Error in creating ISO image file: cannot copy 'quelixcd.iso' file."},
    {kMsgConfirmOverwrite,
     u"The program will completely overwrite the contents of the removable disk.\n"
     u"Please make certain that the disk does not contain any files you wish to keep before "
     u"proceeding.\n\nAre you sure you want to overwrite the removable disk?\""},
    {kMsgVolumeBusy,
     u"There are opened files or windows from the removable disk.\n\nClose all the files or "
     u"windows and run the command again."},
    {kMsgMbrFailed, u"Error in creating MBR sector."},
    {kMsgNotFormatted, u"The disk was not formatted."},
    {kMsgSyslinuxFailed, u"Error in creating USB bootable drive: SYSLINUX utility failed."},
};

}  // namespace

std::span<const BuildMessage> BuildMessages() {
    return kMessages;
}

platform::WString BuildErrorText(int stringId) {
    for (const BuildMessage& message : kMessages) {
        if (message.stringId == stringId)
            return message.text;
    }
    return {};
}

}  // namespace wizard
