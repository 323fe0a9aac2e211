#include "updater/install/restart.h"

#include <string>

#include "updater/support/formatter.h"

namespace updater {
namespace {

constexpr size_t kTextCapacity = 512;

}  // namespace

RestartDialogLogic::RestartDialogLogic(platform::WStringView title, platform::WStringView product,
                                       platform::WStringView textTemplate)
    : caption_(title),
      text_(FormatToString(kTextCapacity, textTemplate, platform::WString(product))) {}

std::optional<int> RestartDialogLogic::OnCommand(int command) {
    if (command == kRestartNow || command == kRestartLater)
        return command;
    return std::nullopt;
}

int TerminalRestartQuestion::Ask(void*, platform::WStringView title,
                                 platform::WStringView product) {
    const RestartDialogLogic dialog(title, product);
    std::fprintf(out_, "%s\n%s\n%s\n", platform::ToUtf8(dialog.Caption()).c_str(),
                 platform::ToUtf8(kRestartQuestionLine).c_str(),
                 platform::ToUtf8(dialog.Text()).c_str());
    for (;;) {
        std::fprintf(out_, "[r] Restart now, [l] Later: ");
        std::fflush(out_);
        std::string answer;
        int c = 0;
        while ((c = std::fgetc(in_)) != EOF && c != '\n')
            answer.push_back(static_cast<char>(c));
        if (answer == "r" || answer == "R")
            return kRestartNow;
        if (answer == "l" || answer == "L" || c == EOF)
            return kRestartLater;
    }
}

}  // namespace updater
