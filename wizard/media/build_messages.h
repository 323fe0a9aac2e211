// The texts of the build messages that ShowBuildError names by string id: one
// table, which the resource script's string table repeats for the Windows
// program (a test ties the two) and which reporters without a resource table
// (the terminal front end, tests) and the USB drive's question use. Any
// thread may call these.
#pragma once

#include <span>

#include "platform/text.h"
#include "qo_version.h"

namespace wizard {

// String ids of the ISO image builder's failures.
constexpr int kMsgMkisofsFailed = 150;
constexpr int kMsgIsoMissing = 151;
constexpr int kMsgIsoCorrupted = 152;
constexpr int kMsgIsoCopyFailed = 153;
// String ids of the USB drive preparation's messages.
constexpr int kMsgConfirmOverwrite = 154;  // Yes/No question, asked by its text
constexpr int kMsgVolumeBusy = 155;
constexpr int kMsgMbrFailed = 156;
constexpr int kMsgNotFormatted = 157;
constexpr int kMsgSyslinuxFailed = 158;

// Caption of every build error message.
inline constexpr char16_t kBuildErrorCaption[] = u"" QO_PRODUCT_NAME;

struct BuildMessage {
    int stringId;
    const char16_t* text;
};

// Every build message, in English, by string id.
std::span<const BuildMessage> BuildMessages();

// The text of a build error message; empty for an unknown id.
platform::WString BuildErrorText(int stringId);

}  // namespace wizard
