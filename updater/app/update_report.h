// The report of an Update Now run in the main window: the result of
// UpdateCheck as a message box with the caption "Renovo", nothing, or the
// switch to the Versions Information page. The Update Now worker shows it at
// the end of its run, owned by the main window (the command line's
// interactive run shows it on its own thread).
#pragma once

#include "updater/support/message_owner.h"
#include "updater/support/string_resources.h"

namespace updater {

constexpr char16_t kReportCaption[] = u"Renovo";

struct CheckReport {
    enum class Kind {
        None,              // no message
        Message,           // textId with icon
        ShowVersionsPage,  // no message; the window selects its page 1
    };
    Kind kind = Kind::None;
    unsigned textId = 0;
    unsigned icon = 0;

    bool operator==(const CheckReport&) const = default;
};

// 1: string 139 (information); 2: string 140 (information); -1: string 141
// (error); 4: none; 5: the Versions page; any other value: string 117 (error).
CheckReport ReportForResult(int checkResult);

// Shows the report of checkResult to owner; true when the window is to switch
// to its Versions Information page.
bool ShowCheckReport(int checkResult, MessageOwner& owner, const StringResources& strings);

}  // namespace updater
