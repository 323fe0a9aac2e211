#include "updater/app/cli/terminal_front_end.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace updater::cli {
namespace {

// A pseudo-terminal: the program side as a stream, the user side typed into.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        termios settings{};
        cfmakeraw(&settings);
        settings.c_lflag |= ICANON;  // line input, no echo
        if (openpty(&user_, &program_, nullptr, &settings, nullptr) == 0)
            in_ = fdopen(program_, "r");
    }
    ~PseudoTerminal() {
        if (in_)
            std::fclose(in_);
        if (user_ >= 0)
            close(user_);
    }
    std::FILE* In() const { return in_; }
    void Type(const std::string& text) {
        ASSERT_EQ(write(user_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

  private:
    int user_ = -1;
    int program_ = -1;
    std::FILE* in_ = nullptr;
};

// Output written to a memory stream.
class Captured {
  public:
    Captured() : out_(open_memstream(&data_, &size_)) {}
    ~Captured() {
        std::fclose(out_);
        std::free(data_);
    }
    std::FILE* Out() const { return out_; }
    std::string Text() {
        std::fflush(out_);
        return std::string(data_, size_);
    }

  private:
    char* data_ = nullptr;
    size_t size_ = 0;
    std::FILE* out_;
};

// On a terminal the questions take the typed answers, asking again after a
// wrong one; without a terminal every question gets its safe answer without
// reading anything.
TEST(TerminalFrontEnd, AnswersOnATerminalAndSafeAnswersWithout) {
    struct Case {
        bool terminal;
        std::string typed;
        std::string notesUrl;
        int download;  // AskDownload's answer
        int yesNo;     // a Yes/No message's answer
        int restart;
    };
    const std::vector<Case> cases = {
        {true, "x\nd\nY\nr\n", "", kAnswerViewDetails, kAnswerYes, kRestartNow},
        {true, "d\ny\nn\nl\n", "http://127.0.0.1/notes.html", kAnswerYes, kAnswerNo, kRestartLater},
        {false, "y\ny\nr\n", "", kAnswerNo, kAnswerNo, kRestartLater},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        PseudoTerminal pty;
        ASSERT_NE(pty.In(), nullptr);
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        std::FILE* pipeIn = fdopen(pipeFds[0], "r");
        // The pipe stays open: a read would block for ever.
        ASSERT_EQ(write(pipeFds[1], c.typed.data(), c.typed.size()),
                  static_cast<ssize_t>(c.typed.size()));
        Captured out;
        if (c.terminal)
            pty.Type(c.typed);
        TerminalFrontEnd front(c.terminal ? pty.In() : pipeIn, out.Out());
        EXPECT_EQ(front.Questions().Interactive(), c.terminal);
        EXPECT_EQ(front.AskDownload(u"New version of Omni is available.", u"KV Automatic Update",
                                    platform::FromUtf8(c.notesUrl)),
                  c.download);
        EXPECT_EQ(
            front.Messages().Show(u"Your Omni software is up-to-date.", u"KV Automatic Update",
                                  kMessageYesNo | kMessageQuestionIcon),
            c.yesNo);
        EXPECT_EQ(
            front.Messages().Show(u"Error in downloading file", u"Attention!", kMessageErrorIcon),
            kMessageAnswerOk);
        EXPECT_EQ(front.Restart().Ask(nullptr, u"KV Automatic Update", u"Omni"), c.restart);
        const std::string text = out.Text();
        EXPECT_NE(text.find("New version of Omni is available."), std::string::npos);
        EXPECT_NE(text.find("Attention!: Error in downloading file"), std::string::npos);
        EXPECT_NE(text.find("Omni has been updated successfully."), std::string::npos);
        EXPECT_EQ(text.find("View details") != std::string::npos, c.notesUrl.empty()) << text;
        if (!c.notesUrl.empty()) {
            EXPECT_NE(text.find(c.notesUrl), std::string::npos);
        }
        std::fclose(pipeIn);
        close(pipeFds[1]);
    }
}

}  // namespace
}  // namespace updater::cli
