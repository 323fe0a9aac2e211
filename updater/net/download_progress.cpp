#include "updater/net/download_progress.h"

#include <chrono>

#include "updater/net/size_text.h"
#include "updater/net/time_span_text.h"
#include "updater/support/formatter.h"

namespace updater {
namespace {

constexpr size_t kFormatCapacity = 1024;
constexpr size_t kTimeLeftCapacity = 128;
constexpr size_t kTotalTextCapacity = 32;
// The dialog stays hidden, and rate and estimate stay empty, this long.
constexpr int64_t kQuietSeconds = 3;

}  // namespace

int64_t CalendarSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

DownloadProgress::DownloadProgress(const DownloadSite& site, std::string_view fileName,
                                   platform::WStringView destination, ProgressView& view,
                                   ProgressTexts texts, SecondsClock clock)
    : view_(view),
      texts_(std::move(texts)),
      clock_(std::move(clock)),
      host_(platform::FromAnsi(site.host.value_or(""))),
      directory_(platform::FromAnsi(site.directory)),
      fileName_(platform::FromAnsi(fileName)),
      destination_(destination) {}

void DownloadProgress::Begin() {
    view_.Show(false);
    view_.SetLine(kFromLine, u"");
    ShowPercent(0);
}

std::unique_ptr<cDownloadActorBlock> DownloadProgress::StartTransfer(uint32_t size) {
    total_ = size;
    totalText_ = SizeText(total_, false, kTotalTextCapacity);
    lastPercent_ = -1;
    startTime_ = clock_();
    lastSecond_ = 0;
    const platform::WString site = directory_.empty() ? host_ : host_ + u"/" + directory_;
    view_.SetLine(kFromLine, FormatToString(kFormatCapacity, texts_.fromFormat, fileName_, site));
    view_.SetLine(kDestinationLine, destination_);
    return std::make_unique<cActorBlock>(this);
}

int DownloadProgress::Update(uint64_t done) {
    if (total_ == 0)
        return -1;
    if (StopRequested())
        return -9;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        ShowPercent(percent);
    }
    const int64_t elapsed = clock_() - startTime_;
    if (elapsed <= kQuietSeconds)
        return 0;
    if (!view_.IsMinimised())
        view_.Show(true);
    if (elapsed == lastSecond_)
        return 0;
    lastSecond_ = elapsed;
    const uint64_t rate = done / static_cast<uint64_t>(elapsed);
    view_.SetLine(kRateLine, SizeText(rate) + u"/" + texts_.perSecond);
    if (rate == 0)
        return 0;
    const uint64_t left = (total_ > done ? total_ - done : 0) / rate;
    view_.SetLine(kTimeLeftLine, FormatToString(kTimeLeftCapacity, texts_.timeLeftFormat,
                                                TimeSpanText(left), SizeText(done), totalText_));
    return 0;
}

void DownloadProgress::ShowPercent(int percent) {
    const platform::WString title =
        FormatToString(kFormatCapacity, texts_.titleFormat, percent, fileName_);
    view_.SetCaption(title);
    view_.SetBar(percent);
    view_.SetTopTitle(view_.IsMinimised() ? title : texts_.topTitle);
}

void DownloadProgress::RestoreTopTitle() {
    view_.SetTopTitle(texts_.topTitle);
}

bool cActorBlock::ChunkReceived(uint32_t bytes) {
    received_ += bytes;
    return owner_ == nullptr || owner_->Update(received_) == 0;
}

}  // namespace updater
