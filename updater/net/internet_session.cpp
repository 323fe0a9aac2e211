#include "updater/net/internet_session.h"

#include <string>
#include <vector>

namespace updater {

bool CheckErrorPage(std::string_view chunk, MessageOwner& messages) {
    const ErrorPageVerdict verdict = TestErrorPage(chunk);
    if (verdict.isErrorPage && verdict.title)
        messages.Show(platform::FromAnsi(*verdict.title), u"Download error", kMessageErrorIcon);
    return verdict.isErrorPage;
}

cInternetSession::cInternetSession(std::unique_ptr<HttpClient> client)
    : client_(std::move(client)) {}

cInternetSession::~cInternetSession() {
    Close();
}

bool cInternetSession::Open(uint16_t port, int32_t service, platform::WStringView agent,
                            std::string_view host, MessageOwner& messages) {
    lastError_ = kFetchSetupFailed;
    if (client_ == nullptr || !client_->Load(messages)) {
        failed_ = true;
        return false;
    }
    open_ = true;
    if (!client_->OpenSession(agent))
        failed_ = true;
    else if (!client_->Connect(host, port, service))
        failed_ = true;
    return !failed_;
}

bool cInternetSession::SendGet(std::string_view objectPath, bool secure) {
    if (failed_ || !open_)
        return false;
    if (!client_->OpenRequest(objectPath, secure)) {
        failed_ = true;
        return false;
    }
    int32_t error = 0;
    if (!client_->Send(error)) {
        failed_ = true;
        lastError_ = error;
        return false;
    }
    return true;
}

uint32_t cInternetSession::ContentLength() {
    uint32_t length = 0;
    if (failed_ || !client_->QueryContentLength(length))
        return 0;
    return length;
}

std::optional<uint32_t> cInternetSession::Status() {
    uint32_t status = 0;
    if (failed_ || !client_->QueryStatus(status))
        return std::nullopt;
    return status;
}

ReadOutcome cInternetSession::ReadToFile(platform::OutputFile& file, cDownloadActorBlock& sink,
                                         MessageOwner& messages, uint64_t& written) {
    written = 0;
    std::vector<uint8_t> buffer(kTransferBufferSize);
    bool first = true;
    for (;;) {
        uint32_t got = 0;
        if (!client_->Read(buffer.data(), kTransferBufferSize, got))
            return ReadOutcome::ReadFailed;
        if (got == 0)
            return first ? ReadOutcome::Empty : ReadOutcome::Complete;
        if (!sink.ChunkReceived(got))
            return ReadOutcome::Refused;
        if (first) {
            const std::string_view chunk(reinterpret_cast<const char*>(buffer.data()), got);
            if (CheckErrorPage(chunk, messages))
                return ReadOutcome::ErrorPage;
            first = false;
        }
        if (!file.Write(buffer.data(), got))
            return ReadOutcome::WriteFailed;
        written += got;
    }
}

void cInternetSession::ReportErrorPage(MessageOwner& messages) {
    std::vector<uint8_t> buffer(kTransferBufferSize);
    uint32_t got = 0;
    if (client_->Read(buffer.data(), kTransferBufferSize, got) && got > 0)
        CheckErrorPage(std::string_view(reinterpret_cast<const char*>(buffer.data()), got),
                       messages);
}

void cInternetSession::Close() {
    if (client_ != nullptr)
        client_->Close();
    open_ = false;
}

}  // namespace updater
