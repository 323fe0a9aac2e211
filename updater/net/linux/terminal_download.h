// Downloads on the Linux command line: the progress dialog's texts as one
// terminal line ("42% | 10 Secs ( 1.5 MB of 3.0 MB copied ) | 1.5 KB/Sec")
// that appears only once the transfer has run for more than 3 seconds, and
// Ctrl-C as the Stop button. Called on the program's main thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "platform/text.h"
#include "updater/net/download_progress.h"
#include "updater/net/download_site.h"
#include "updater/net/fetch.h"

namespace updater {

// A ProgressView that draws one line on a terminal (or any stream), redrawn
// in place with a carriage return while it is shown.
class TerminalProgressView : public ProgressView {
  public:
    explicit TerminalProgressView(std::FILE* out) : out_(out) {}
    void Show(bool visible) override;
    bool IsMinimised() const override { return false; }
    void SetCaption(platform::WStringView) override {}
    void SetTopTitle(platform::WStringView) override {}
    void SetBar(int percent) override;
    void SetLine(int control, platform::WStringView text) override;
    // Ends the line when one was drawn.
    void Finish();
    std::string Line() const;

  private:
    void Draw();

    std::FILE* out_;
    bool visible_ = false;
    bool drawn_ = false;
    size_t drawnLength_ = 0;
    int percent_ = 0;
    platform::WString timeLeft_;
    platform::WString rate_;
};

// Downloads fileName from site to destination with the terminal line on out;
// SIGINT (Ctrl-C) stops the download. Returns the end value of the dialog:
// 0, -9 stopped, 2 when no worker thread could be started, or the fetch's
// error code.
int32_t DownloadInTerminal(const DownloadSite& site, std::string_view fileName,
                           platform::WStringView destination, std::FILE* out,
                           const FetchOptions& options = {});

}  // namespace updater
