#include "updater/app/update_now_report.h"

#include "updater/app/update_check.h"
#include "updater/app/updater_strings.h"

namespace updater {

UpdateNowReport ReportOf(int checkResult) {
    switch (checkResult) {
        case kCheckInstalled:
            return {kStrInstalled, kMessageInformationIcon, false};
        case kCheckCancelled:
            return {kStrCancelled, kMessageInformationIcon, false};
        case kCheckNoDescription:
            return {kStrDownloadError, kMessageErrorIcon, false};
        case kCheckDeclined:
            return {};
        case kCheckViewDetails:
            return {0, 0, true};
        default:
            return {kStrInstallError, kMessageErrorIcon, false};
    }
}

bool ReportUpdateNow(int checkResult, MessageOwner& owner, const StringResources& strings) {
    const UpdateNowReport report = ReportOf(checkResult);
    if (report.text != 0) {
        platform::WString text;
        strings.Load(report.text, text);
        owner.Show(text, kReportCaption, kMessageOk | report.style);
    }
    return report.showVersions;
}

}  // namespace updater
