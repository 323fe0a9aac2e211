// The update flow's front end on the Linux command line: the download shows
// the terminal progress line (Ctrl-C stops it), messages go to standard
// error, and questions are asked on the terminal. Without a terminal on
// standard input nobody can answer, so every question gets its safe answer
// at once: No for a Yes/No box and the download question, Later for the
// restart question. Main thread only.
#pragma once

#include <cstdio>
#include <string>

#include "updater/app/update_front_end.h"

namespace updater::cli {

// Questions on a terminal: in (read) and out (prompts), when in is one.
class TerminalQuestions {
  public:
    TerminalQuestions(std::FILE* in, std::FILE* out);
    // Whether in is a terminal, so that a question can be answered.
    bool Interactive() const { return interactive_; }
    // Prints prompt and reads lines until one is a single character of
    // choices (any case); returns it in lower case. Without a terminal, or at
    // the end of input, returns fallback.
    char Ask(const std::string& prompt, const std::string& choices, char fallback) const;
    std::FILE* Out() const { return out_; }

  private:
    std::FILE* in_;
    std::FILE* out_;
    bool interactive_;
};

// Messages on standard error; a Yes/No box asks on the terminal.
class TerminalMessages : public MessageOwner {
  public:
    explicit TerminalMessages(const TerminalQuestions& questions) : questions_(questions) {}
    int Show(platform::WStringView text, platform::WStringView caption, unsigned style) override;

  private:
    const TerminalQuestions& questions_;
};

// The restart question without a terminal: the text, then "&Later".
class UnattendedRestartQuestion : public RestartQuestion {
  public:
    explicit UnattendedRestartQuestion(std::FILE* out) : out_(out) {}
    int Ask(void* owner, platform::WStringView title, platform::WStringView product) override;

  private:
    std::FILE* out_;
};

class TerminalFrontEnd : public UpdateFrontEnd {
  public:
    explicit TerminalFrontEnd(std::FILE* in = stdin, std::FILE* out = stderr);

    int32_t Download(const DownloadSite& site, std::string_view fileName,
                     platform::WStringView destination) override;
    MessageOwner& Messages() override { return messages_; }
    platform::WString OwnerTitle() override { return {}; }
    int AskDownload(platform::WStringView text, platform::WStringView caption,
                    platform::WStringView releaseNotesUrl) override;
    RestartQuestion& Restart() override;
    void* OwnerWindow() override { return nullptr; }

    const TerminalQuestions& Questions() const { return questions_; }

  private:
    TerminalQuestions questions_;
    TerminalMessages messages_;
    TerminalRestartQuestion terminalRestart_;
    UnattendedRestartQuestion unattendedRestart_;
};

}  // namespace updater::cli
