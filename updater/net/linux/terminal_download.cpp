#include "updater/net/linux/terminal_download.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

#include "updater/net/download_worker.h"
#include "updater/net/text_language.h"

namespace updater {
namespace {

// A file descriptor closed when it goes.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// SIGINT blocked on this thread (and the threads it starts) for the
// lifetime, so that it is read from a signalfd; the old mask comes back after.
class InterruptAsEvent {
  public:
    InterruptAsEvent() {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGINT);
        pthread_sigmask(SIG_BLOCK, &set, &old_);
        fd_ = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    }
    ~InterruptAsEvent() {
        if (fd_ >= 0)
            close(fd_);
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    InterruptAsEvent(const InterruptAsEvent&) = delete;
    InterruptAsEvent& operator=(const InterruptAsEvent&) = delete;
    int fd() const { return fd_; }
    // Takes the pending interrupt.
    void Consume() const {
        signalfd_siginfo info;
        while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
    }

  private:
    sigset_t old_{};
    int fd_ = -1;
};

ProgressTexts TerminalTexts() {
    const TextLanguage& language = InstalledLanguage();
    ProgressTexts texts;
    texts.fromFormat = language.Translate("%s from %s");
    texts.titleFormat = language.Translate("%d%% of %s completed");
    texts.timeLeftFormat = language.Translate("%s ( %s of %s copied )");
    texts.perSecond = language.Translate("Sec");
    return texts;
}

}  // namespace

void TerminalProgressView::Show(bool visible) {
    if (visible == visible_)
        return;
    visible_ = visible;
    if (visible_)
        Draw();
}

void TerminalProgressView::SetBar(int percent) {
    percent_ = percent;
    Draw();
}

void TerminalProgressView::SetLine(int control, platform::WStringView text) {
    if (control == kTimeLeftLine)
        timeLeft_ = text;
    else if (control == kRateLine)
        rate_ = text;
    else
        return;
    Draw();
}

std::string TerminalProgressView::Line() const {
    std::string line = std::to_string(percent_) + "%";
    if (!timeLeft_.empty())
        line += " | " + platform::ToUtf8(timeLeft_);
    if (!rate_.empty())
        line += " | " + platform::ToUtf8(rate_);
    return line;
}

void TerminalProgressView::Draw() {
    if (!visible_)
        return;
    const std::string line = Line();
    // Spaces over what is left of a longer line drawn before.
    const size_t pad = drawnLength_ > line.size() ? drawnLength_ - line.size() : 0;
    std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
    std::fflush(out_);
    drawn_ = true;
    drawnLength_ = line.size();
}

void TerminalProgressView::Finish() {
    if (drawn_)
        std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
    drawnLength_ = 0;
}

int32_t DownloadInTerminal(const DownloadSite& site, std::string_view fileName,
                           platform::WStringView destination, std::FILE* out,
                           const FetchOptions& options) {
    TerminalProgressView view(out);
    DownloadProgress progress(site, fileName, destination, view, TerminalTexts());
    progress.Begin();

    const InterruptAsEvent interrupt;  // before the worker starts: it inherits the mask
    const Descriptor finished(eventfd(0, EFD_CLOEXEC));
    if (interrupt.fd() < 0 || finished.get() < 0)
        return kWorkerNotStarted;
    int32_t endValue = kWorkerNotStarted;
    DownloadWorker worker;
    const bool started =
        worker.Start(progress, site, std::string(fileName), platform::WString(destination), options,
                     [&endValue, fd = finished.get()](int32_t value) {
                         endValue = value;
                         const uint64_t one = 1;
                         (void)!write(fd, &one, sizeof one);
                     });
    if (!started)
        return kWorkerNotStarted;
    pollfd fds[2] = {{finished.get(), POLLIN, 0}, {interrupt.fd(), POLLIN, 0}};
    for (;;) {
        const int ready = poll(fds, 2, -1);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN)
            break;
        if (fds[1].revents & POLLIN) {
            interrupt.Consume();
            progress.RequestStop();
        }
    }
    worker.Join();
    view.Finish();
    return endValue;
}

}  // namespace updater
