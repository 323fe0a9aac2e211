#include "updater/net/fetch.h"

#include "platform/files.h"
#include "platform/output_file.h"
#include "updater/support/formatter.h"

namespace updater {
namespace {

bool IsSuccessStatus(uint32_t status) {
    return status >= 200 && status <= 299;
}

// A site whose port cannot be connected to is refused before anything is
// loaded, with a message that names it.
bool CheckPort(const DownloadSite& site, MessageOwner& messages) {
    if (IsUsablePort(site.port))
        return true;
    const std::string address = SiteAddressText(site, std::nullopt).value_or("");
    messages.Show(FormatToString(512, u"The download site %s has no port from 1 to 65535.",
                                 platform::FromAnsi(address)),
                  u"Download error", kMessageErrorIcon);
    return false;
}

// Receives the body into a temporary file beside the destination and moves
// it into place when the body is complete.
int32_t ReceiveInto(cInternetSession& session, platform::WStringView destination, uint32_t length,
                    cDownloadActorBlock& sink, MessageOwner& messages) {
    const platform::WString folder = platform::ParentFolder(destination);
    platform::WString partial;
    platform::OutputFile file;
    // The partial file stays open from its creation: it is never opened again by name.
    if (folder.empty() || !platform::CreateFolders(folder) ||
        !file.CreateUnique(folder, u"dl", partial))
        return kFetchTransferFailed;
    uint64_t written = 0;
    const ReadOutcome outcome = session.ReadToFile(file, sink, messages, written);
    const bool closed = file.Close();
    const bool complete = outcome == ReadOutcome::Complete && closed && written == length;
    if (complete && platform::MoveFileReplacing(partial, destination))
        return kFetchOk;
    platform::DeleteOneFile(partial);
    return kFetchTransferFailed;
}

}  // namespace

int32_t Fetch(const DownloadSite& site, std::string_view fileName,
              platform::WStringView destination, TransferOwner& owner,
              const FetchOptions& options) {
    MessageOwner& messages = options.messages ? *options.messages : UnownedMessages();
    if (!site.host || !CheckPort(site, messages))
        return kFetchSetupFailed;

    cInternetSession session(CreateSystemHttpClient(options.client));
    if (!session.Open(static_cast<uint16_t>(site.port), site.service, kHttpAgent, *site.host,
                      messages))
        return session.LastError();
    if (!session.SendGet(ObjectPath(site, fileName), UsesSecureConnection(site)))
        return session.LastError();

    const uint32_t length = session.ContentLength();
    const std::optional<uint32_t> status = session.Status();
    if (!status || !IsSuccessStatus(*status)) {
        // Nothing of a failed request is kept; its page may still say why.
        session.ReportErrorPage(messages);
        return kFetchTransferFailed;
    }
    const std::unique_ptr<cDownloadActorBlock> sink = owner.StartTransfer(length);
    cDownloadActorBlock accept;
    return ReceiveInto(session, destination, length, sink ? *sink : accept, messages);
}

}  // namespace updater
