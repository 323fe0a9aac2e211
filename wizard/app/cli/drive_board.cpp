#include "wizard/app/cli/drive_board.h"

#include <algorithm>

#include "wizard/media/build_messages.h"

namespace wizard::cli {
namespace {

// The builders' messages lead with what failed; the table says that already.
constexpr std::string_view kUsbErrorLead = "Error in creating USB bootable drive: ";

std::string Padded(std::string text, size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

DriveBoard::DriveBoard(std::vector<std::string> names, std::FILE* out, bool terminal, size_t width)
    : names_(std::move(names)),
      lines_(names_.size()),
      reasons_(names_.size()),
      out_(out),
      terminal_(terminal),
      width_(std::max<size_t>(width, 20)) {
    for (const std::string& name : names_)
        nameWidth_ = std::max(nameWidth_, name.size());
}

void DriveBoard::Start() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!terminal_)
        return;
    for (size_t i = 0; i < names_.size(); ++i)
        std::fprintf(out_, "%s\n",
                     (Padded(names_[i], nameWidth_) + "  waiting").substr(0, width_ - 1).c_str());
    std::fflush(out_);
}

void DriveBoard::Draw(size_t drive) {
    const std::string line = Padded(names_[drive], nameWidth_) + "  " + lines_[drive];
    if (!terminal_) {
        std::fprintf(out_, "%s\n", line.c_str());
    } else {
        // Up to the drive's line, rewrite it, and back below the last line.
        const size_t up = names_.size() - drive;
        std::fprintf(out_, "\x1b[%zuA\r\x1b[2K%s\x1b[%zuB\r", up,
                     line.substr(0, width_ - 1).c_str(), up);
    }
    std::fflush(out_);
}

void DriveBoard::Step(size_t drive, const std::string& text, int position) {
    std::lock_guard<std::mutex> lock(mutex_);
    char percent[8];
    std::snprintf(percent, sizeof percent, "[%3d%%]", position);
    lines_[drive] = std::string(percent) + " " + text;
    Draw(drive);
}

void DriveBoard::Message(size_t drive, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string reason = text;
    if (reason.compare(0, kUsbErrorLead.size(), kUsbErrorLead) == 0)
        reason.erase(0, kUsbErrorLead.size());
    reasons_[drive] = reason;
    if (!terminal_) {
        std::fprintf(stderr, "%s: %s\n", names_[drive].c_str(), text.c_str());
        return;
    }
    lines_[drive] = "failing: " + reason;
    Draw(drive);
}

std::string DriveBoard::Reason(size_t drive) {
    std::lock_guard<std::mutex> lock(mutex_);
    return reasons_[drive];
}

void DriveReporter::ShowStep(const platform::WString& text, int position) {
    const std::string step = platform::ToUtf8(text);
    board_.Step(drive_, step, position);
    if (onStep_)
        onStep_(step + "@" + std::to_string(position));
}

void DriveReporter::ShowError(int stringId) {
    const platform::WString text = BuildErrorText(stringId);
    board_.Message(drive_,
                   text.empty() ? "error " + std::to_string(stringId) : platform::ToUtf8(text));
}

void DriveReporter::ShowMessage(const platform::WString&, const platform::WString& text) {
    board_.Message(drive_, platform::ToUtf8(text));
}

bool DriveReporter::AskYesNo(const platform::WString&, const platform::WString&) {
    return confirmed_;
}

std::string ResultTable(const std::vector<DriveOutcome>& rows) {
    size_t drive = 5, serial = 6;
    for (const DriveOutcome& row : rows) {
        drive = std::max(drive, row.drive.size());
        serial = std::max(serial, row.serial.size());
    }
    std::string table =
        Padded("Drive", drive) + "  " + Padded("Serial", serial) + "        Time  Result\n";
    for (const DriveOutcome& row : rows) {
        char time[16];
        std::snprintf(time, sizeof time, "%8.1f s", row.seconds);
        table += Padded(row.drive, drive) + "  " + Padded(row.serial, serial) + "  " + time + "  " +
                 row.result + "\n";
    }
    return table;
}

}  // namespace wizard::cli
