// The progress of one download as the progress dialog (dialog 134) shows it:
// percentage in the caption and the bar, the "from" and destination lines,
// the transfer rate and the time left, the 3-second rule that keeps short
// downloads from showing anything, the top window's title while minimised,
// and the stop flag of the Stop button.
//
// The presentation is a ProgressView: the dialog's controls on Windows, a
// terminal line on Linux. DownloadProgress is created and stopped on the
// interface thread; StartTransfer, the sink and Update run on the download
// worker's thread, which writes to the view directly.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/text.h"
#include "updater/net/download_sink.h"
#include "updater/net/download_site.h"

namespace updater {

// The controls of dialog 134.
constexpr int kStopButton = 2;
constexpr int kFromLine = 1012;
constexpr int kProgressBar = 1013;
constexpr int kDestinationLine = 1014;
constexpr int kTimeLeftLine = 1015;
constexpr int kRateLine = 1016;

class ProgressView {
  public:
    virtual ~ProgressView() = default;
    virtual void Show(bool visible) = 0;
    virtual bool IsMinimised() const = 0;
    virtual void SetCaption(platform::WStringView text) = 0;
    // The title of the window at the top of the dialog's owner chain.
    virtual void SetTopTitle(platform::WStringView text) = 0;
    // The bar's position, 0 to 100.
    virtual void SetBar(int percent) = 0;
    // The text of kFromLine, kDestinationLine, kTimeLeftLine or kRateLine.
    virtual void SetLine(int control, platform::WStringView text) = 0;
};

// The dialog's texts as loaded and translated when it opens.
struct ProgressTexts {
    platform::WString fromFormat = u"%s from %s";                  // control 1012
    platform::WString titleFormat = u"%d%% of %s completed";       // the caption
    platform::WString timeLeftFormat = u"%s ( %s of %s copied )";  // string 126
    platform::WString perSecond = u"Sec";                          // translated "Sec"
    platform::WString topTitle;  // the top window's title when the dialog opened
};

// Calendar time in whole seconds.
using SecondsClock = std::function<int64_t()>;
int64_t CalendarSeconds();

class DownloadProgress : public TransferOwner {
  public:
    DownloadProgress(const DownloadSite& site, std::string_view fileName,
                     platform::WStringView destination, ProgressView& view, ProgressTexts texts,
                     SecondsClock clock = CalendarSeconds);

    // The dialog opens: hidden, at 0 percent.
    void Begin();
    // The response head arrived with the size: prepares the lines and gives
    // the sink of the chunks.
    std::unique_ptr<cDownloadActorBlock> StartTransfer(uint32_t size) override;
    // done bytes have arrived: -1 when the size is 0, -9 when stopped
    // (either ends the transfer), otherwise 0.
    int Update(uint64_t done);

    // The Stop button: the next chunk ends the transfer.
    void RequestStop() { stop_.store(true); }
    bool StopRequested() const { return stop_.load(); }
    // Restored, maximised or closed: the top window shows its own title again.
    void RestoreTopTitle();
    ProgressView& View() { return view_; }

  private:
    void ShowPercent(int percent);

    ProgressView& view_;
    ProgressTexts texts_;
    SecondsClock clock_;
    platform::WString host_;
    platform::WString directory_;
    platform::WString fileName_;
    platform::WString destination_;
    std::atomic<bool> stop_{false};
    int lastPercent_ = -1;
    uint64_t total_ = 0;
    int64_t startTime_ = 0;
    int64_t lastSecond_ = 0;
    platform::WString totalText_;
};

// The sink of one transfer: counts the bytes and updates the progress.
class cActorBlock : public cDownloadActorBlock {
  public:
    explicit cActorBlock(DownloadProgress* owner) : owner_(owner) {}
    bool ChunkReceived(uint32_t bytes) override;

  private:
    DownloadProgress* owner_;
    uint32_t received_ = 0;
};

}  // namespace updater
