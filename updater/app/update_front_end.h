// What the update flow needs from the program's front end: the download with
// its progress display, message boxes, the download question and the restart
// question, all owned by the flow's owner window. Windows: dialogs 134, 140,
// 141 and 139 owned by the main window or the desktop window; Linux: the
// terminal, where a question without a terminal gets the safe answer.
//
// Called on the thread that runs the flow (the scheduled run's main thread or
// the Update Now worker).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/text.h"
#include "updater/install/restart.h"
#include "updater/net/download_site.h"
#include "updater/support/message_owner.h"

namespace updater {

// Answers, as the system's button identifiers.
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;
constexpr int kAnswerViewDetails = 8;
// Message box styles used by the flow besides message_owner.h's.
constexpr unsigned kMessageYesNo = 0x4;
constexpr unsigned kMessageQuestionIcon = 0x20;
constexpr unsigned kMessageInformationIcon = 0x40;

class UpdateFrontEnd {
  public:
    virtual ~UpdateFrontEnd() = default;
    // Downloads fileName from site to destination while showing its progress:
    // 0 received, -9 stopped by the user, otherwise the download's error code.
    virtual int32_t Download(const DownloadSite& site, std::string_view fileName,
                             platform::WStringView destination) = 0;
    // Message boxes owned by the owner window (a Yes/No box answers
    // kAnswerYes or kAnswerNo).
    virtual MessageOwner& Messages() = 0;
    // The owner window's title; empty when there is no owner window.
    virtual platform::WString OwnerTitle() = 0;
    // The download question: dialog 141 with the release notes link when
    // releaseNotesUrl is not empty, else dialog 140. Answers kAnswerYes,
    // kAnswerNo, kAnswerViewDetails (dialog 140 only) or 2 (closed).
    virtual int AskDownload(platform::WStringView text, platform::WStringView caption,
                            platform::WStringView releaseNotesUrl) = 0;
    virtual RestartQuestion& Restart() = 0;
    // The owner window handle (null: the desktop / none), for the installer's
    // consent prompt.
    virtual void* OwnerWindow() = 0;
};

}  // namespace updater
