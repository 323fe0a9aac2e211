#include "updater/app/cli/terminal_front_end.h"

#include <unistd.h>

#include <cctype>

#include "updater/net/linux/terminal_download.h"

namespace updater::cli {
namespace {

constexpr unsigned kButtonMask = 0xF;

std::string Utf8(platform::WStringView text) {
    return platform::ToUtf8(text);
}

}  // namespace

TerminalQuestions::TerminalQuestions(std::FILE* in, std::FILE* out)
    : in_(in), out_(out), interactive_(in != nullptr && isatty(fileno(in)) == 1) {}

char TerminalQuestions::Ask(const std::string& prompt, const std::string& choices,
                            char fallback) const {
    if (!interactive_) {
        std::fprintf(out_, "%s%c (no terminal to ask)\n", prompt.c_str(), fallback);
        std::fflush(out_);
        return fallback;
    }
    for (;;) {
        std::fprintf(out_, "%s", prompt.c_str());
        std::fflush(out_);
        std::string answer;
        int c = 0;
        while ((c = std::fgetc(in_)) != EOF && c != '\n')
            answer.push_back(static_cast<char>(c));
        if (!answer.empty() && answer.back() == '\r')
            answer.pop_back();
        if (answer.size() == 1) {
            const char chosen =
                static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
            if (choices.find(chosen) != std::string::npos)
                return chosen;
        }
        if (c == EOF) {
            std::fprintf(out_, "\n");
            return fallback;
        }
    }
}

int TerminalMessages::Show(platform::WStringView text, platform::WStringView caption,
                           unsigned style) {
    std::FILE* out = questions_.Out();
    std::fprintf(out, "%s: %s\n", Utf8(caption).c_str(), Utf8(text).c_str());
    std::fflush(out);
    if ((style & kButtonMask) != kMessageYesNo)
        return kMessageAnswerOk;
    return questions_.Ask("[y] Yes, [n] No: ", "yn", 'n') == 'y' ? kAnswerYes : kAnswerNo;
}

int UnattendedRestartQuestion::Ask(void*, platform::WStringView title,
                                   platform::WStringView product) {
    const RestartDialogLogic dialog(title, product);
    std::fprintf(out_, "%s\n%s\n%s\nLater (no terminal to ask)\n", Utf8(dialog.Caption()).c_str(),
                 Utf8(kRestartQuestionLine).c_str(), Utf8(dialog.Text()).c_str());
    std::fflush(out_);
    return kRestartLater;
}

TerminalFrontEnd::TerminalFrontEnd(std::FILE* in, std::FILE* out)
    : questions_(in, out),
      messages_(questions_),
      terminalRestart_(in, out),
      unattendedRestart_(out) {}

int32_t TerminalFrontEnd::Download(const DownloadSite& site, std::string_view fileName,
                                   platform::WStringView destination) {
    return DownloadInTerminal(site, fileName, destination, questions_.Out());
}

int TerminalFrontEnd::AskDownload(platform::WStringView text, platform::WStringView caption,
                                  platform::WStringView releaseNotesUrl) {
    std::FILE* out = questions_.Out();
    std::fprintf(out, "%s\n%s\n", Utf8(caption).c_str(), Utf8(text).c_str());
    if (!releaseNotesUrl.empty()) {
        std::fprintf(out, "What's new in this version: %s\n", Utf8(releaseNotesUrl).c_str());
        return questions_.Ask("[y] Yes, [n] No: ", "yn", 'n') == 'y' ? kAnswerYes : kAnswerNo;
    }
    switch (questions_.Ask("[y] Yes, [n] No, [d] View details: ", "ynd", 'n')) {
        case 'y':
            return kAnswerYes;
        case 'd':
            return kAnswerViewDetails;
        default:
            return kAnswerNo;
    }
}

RestartQuestion& TerminalFrontEnd::Restart() {
    if (questions_.Interactive())
        return terminalRestart_;
    return unattendedRestart_;
}

}  // namespace updater::cli
