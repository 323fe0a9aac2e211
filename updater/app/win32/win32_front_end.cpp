#include "updater/app/win32/win32_front_end.h"

#include "platform/win32/wide.h"
#include "updater/app/win32/mb_text_dlg.h"
#include "updater/app/win32/progress_dialog.h"
#include "updater/app/win32/resource.h"

namespace updater {

Win32FrontEnd::Win32FrontEnd(HINSTANCE instance, HWND owner, const StringResources& strings)
    : instance_(instance), owner_(owner), strings_(strings), messages_(owner), restart_(instance) {}

int32_t Win32FrontEnd::Download(const DownloadSite& site, std::string_view fileName,
                                platform::WStringView destination) {
    return DownloadWithDialog(instance_, owner_, site, fileName, destination, strings_);
}

platform::WString Win32FrontEnd::OwnerTitle() {
    if (owner_ == nullptr)
        return {};
    wchar_t title[512] = {};
    const int length = GetWindowTextW(owner_, title, 512);
    return platform::FromWide(title, static_cast<size_t>(length > 0 ? length : 0));
}

int Win32FrontEnd::AskDownload(platform::WStringView text, platform::WStringView caption,
                               platform::WStringView releaseNotesUrl) {
    const unsigned dialog = releaseNotesUrl.empty() ? IDD_QUESTION : IDD_QUESTION_LINK;
    return AskQuestion(instance_, owner_, text, caption, IDI_QUESTION, dialog, releaseNotesUrl);
}

}  // namespace updater
