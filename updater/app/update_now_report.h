// The report of an Update Now run in the main window: which message the
// result of UpdateCheck shows (caption "Renovo"), and whether the window then
// switches to its Versions Information page. Runs on the Update Now worker.
#pragma once

#include "updater/support/message_owner.h"
#include "updater/support/string_resources.h"

namespace updater {

constexpr char16_t kReportCaption[] = u"Renovo";

struct UpdateNowReport {
    unsigned text = 0;   // string id; 0: no message
    unsigned style = 0;  // message box style (icon)
    bool showVersions = false;
};

// 1 installed, 2 cancelled, -1 description not fetched, 4 nothing, 5 the
// Versions page, anything else "Error in installing product".
UpdateNowReport ReportOf(int checkResult);

// Shows the report of checkResult to owner; true when the window is to
// switch to its Versions Information page.
bool ReportUpdateNow(int checkResult, MessageOwner& owner, const StringResources& strings);

}  // namespace updater
