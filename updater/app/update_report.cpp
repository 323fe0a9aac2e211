#include "updater/app/update_report.h"

#include "updater/app/flow_text.h"
#include "updater/app/update_check.h"
#include "updater/app/updater_strings.h"

namespace updater {

CheckReport ReportForResult(int checkResult) {
    using Kind = CheckReport::Kind;
    switch (checkResult) {
        case kCheckInstalled:
            return {Kind::Message, kStrInstalled, kMessageInformationIcon};
        case kCheckCancelled:
            return {Kind::Message, kStrCancelled, kMessageInformationIcon};
        case kCheckNoDescription:
            return {Kind::Message, kStrDownloadError, kMessageErrorIcon};
        case kCheckDeclined:
            return {Kind::None, 0, 0};
        case kCheckViewDetails:
            return {Kind::ShowVersionsPage, 0, 0};
        default:
            return {Kind::Message, kStrInstallError, kMessageErrorIcon};
    }
}

bool ShowCheckReport(int checkResult, MessageOwner& owner, const StringResources& strings) {
    const CheckReport report = ReportForResult(checkResult);
    if (report.kind == CheckReport::Kind::Message)
        owner.Show(LoadFlowText(strings, report.textId), kReportCaption, report.icon);
    return report.kind == CheckReport::Kind::ShowVersionsPage;
}

}  // namespace updater
