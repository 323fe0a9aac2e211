#include "wiper/linux/console_set.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iostream>
#include <set>

#include "platform/posix/write_all.h"

namespace wiper {
namespace {

// Switches a terminal's mode for as long as the object lives.
class TerminalMode {
  public:
    TerminalMode(int fd, tcflag_t clearLocal) : fd_(fd) {
        if (tcgetattr(fd_, &saved_) != 0)
            return;
        termios changed = saved_;
        changed.c_lflag &= ~clearLocal;
        changed.c_cc[VMIN] = 1;
        changed.c_cc[VTIME] = 0;
        active_ = tcsetattr(fd_, TCSANOW, &changed) == 0;
    }
    ~TerminalMode() {
        if (active_)
            tcsetattr(fd_, TCSANOW, &saved_);
    }
    TerminalMode(const TerminalMode&) = delete;
    TerminalMode& operator=(const TerminalMode&) = delete;
    bool active() const { return active_; }

  private:
    int fd_;
    termios saved_{};
    bool active_ = false;
};

// The same mode on several terminals at once.
class TerminalModes {
  public:
    TerminalModes(const std::vector<int>& fds, tcflag_t clearLocal) {
        for (int fd : fds) {
            auto mode = std::make_unique<TerminalMode>(fd, clearLocal);
            if (mode->active()) {
                active_.push_back(fd);
                modes_.push_back(std::move(mode));
            }
        }
    }
    const std::vector<int>& active() const { return active_; }

  private:
    std::vector<std::unique_ptr<TerminalMode>> modes_;
    std::vector<int> active_;
};

}  // namespace

// Buffers a line and writes it to every terminal; a terminal that fails a
// write is not written again (a serial port without a line must not stop the
// screen's output). The stream fails only when no terminal is left.
class ConsoleSet::Output : public std::streambuf {
  public:
    explicit Output(std::vector<int> fds) : fds_(std::move(fds)) {
        setp(buffer_, buffer_ + sizeof buffer_);
    }
    ~Output() override { sync(); }

  protected:
    int_type overflow(int_type c) override {
        if (sync() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        const size_t size = static_cast<size_t>(pptr() - pbase());
        std::vector<int> kept;
        for (int fd : fds_)
            if (platform::WriteAll(fd, pbase(), size))
                kept.push_back(fd);
        fds_ = std::move(kept);
        setp(buffer_, buffer_ + sizeof buffer_);
        return fds_.empty() ? -1 : 0;
    }

  private:
    std::vector<int> fds_;
    char buffer_[4096];
};

// Reads from whichever terminal has input: in the terminals' line mode one
// read is one typed line. A terminal that hangs up is left out; the end
// comes when none is left.
class ConsoleSet::Input : public std::streambuf {
  public:
    explicit Input(std::vector<int> fds) : fds_(std::move(fds)), last_(fds_.front()) {}
    int last() const { return last_; }

  protected:
    int_type underflow() override {
        while (!fds_.empty()) {
            std::vector<pollfd> wait;
            for (int fd : fds_)
                wait.push_back({fd, POLLIN, 0});
            if (poll(wait.data(), wait.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                return traits_type::eof();
            }
            for (const pollfd& p : wait) {
                if (p.revents == 0)
                    continue;
                const ssize_t n = (p.revents & POLLIN) ? read(p.fd, buffer_, sizeof buffer_) : 0;
                if (n > 0) {
                    last_ = p.fd;
                    setg(buffer_, buffer_, buffer_ + n);
                    return traits_type::to_int_type(buffer_[0]);
                }
                if (n < 0 && (errno == EINTR || errno == EAGAIN))
                    continue;
                std::erase(fds_, p.fd);
            }
        }
        return traits_type::eof();
    }

  private:
    std::vector<int> fds_;
    int last_;
    char buffer_[512];
};

ConsoleSet ConsoleSet::OpenActive(const std::string& sysDir, const std::string& devDir) {
    std::ifstream active(sysDir + "/class/tty/console/active");
    std::vector<wizard::UniqueFd> terminals;
    std::set<std::string> seen;
    std::string name;
    while (active >> name) {
        if (name.find('/') != std::string::npos || name == ".." || !seen.insert(name).second)
            continue;
        wizard::UniqueFd fd(open((devDir + "/" + name).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (fd && isatty(fd.get()))
            terminals.push_back(std::move(fd));
    }
    return ConsoleSet(std::move(terminals));
}

ConsoleSet::ConsoleSet(std::vector<wizard::UniqueFd> terminals)
    : terminals_(std::move(terminals)) {}

ConsoleSet::ConsoleSet(ConsoleSet&&) noexcept = default;

ConsoleSet::~ConsoleSet() {
    if (output_) {
        std::cout.flush();
        std::cout.rdbuf(savedOut_);
        std::cin.rdbuf(savedIn_);
    }
}

std::vector<int> ConsoleSet::Fds() const {
    if (terminals_.empty())
        return {STDIN_FILENO};
    std::vector<int> fds;
    for (const wizard::UniqueFd& fd : terminals_)
        fds.push_back(fd.get());
    return fds;
}

void ConsoleSet::Attach() {
    if (terminals_.empty() || output_)
        return;
    std::cout.flush();
    output_ = std::make_unique<Output>(Fds());
    input_ = std::make_unique<Input>(Fds());
    savedOut_ = std::cout.rdbuf(output_.get());
    savedIn_ = std::cin.rdbuf(input_.get());
}

bool ConsoleSet::KeyWithin(int seconds) {
    TerminalModes single(Fds(), ICANON | ECHO);
    if (single.active().empty())
        return false;
    std::vector<pollfd> wait;
    for (int fd : single.active()) {
        tcflush(fd, TCIFLUSH);
        wait.push_back({fd, POLLIN, 0});
    }
    if (poll(wait.data(), wait.size(), seconds * 1000) <= 0)
        return false;
    for (const pollfd& p : wait) {
        char c = 0;
        if ((p.revents & POLLIN) && read(p.fd, &c, 1) == 1)
            return true;
    }
    return false;
}

bool ConsoleSet::ReadHidden(std::string& line) {
    std::cout.flush();
    TerminalModes quiet(Fds(), ECHO);
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    std::cout << std::endl;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return read;
}

int ConsoleSet::OperatorTerminal() const {
    if (input_)
        return input_->last();
    return terminals_.empty() ? STDIN_FILENO : terminals_.front().get();
}

}  // namespace wiper
