#include "wiper/operator_menu.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "wiper/wipe_log.h"

namespace wiper {

bool ParseNumbers(const std::string& text, size_t limit, std::vector<size_t>& numbers) {
    numbers.clear();
    std::string words = text;
    std::replace(words.begin(), words.end(), ',', ' ');
    std::istringstream in(words);
    std::string word;
    while (in >> word) {
        if (word.size() > 6 || !std::all_of(word.begin(), word.end(), ::isdigit))
            return false;
        const size_t n = std::stoul(word);
        if (n < 1 || n > limit)
            return false;
        numbers.push_back(n);
    }
    return true;
}

OperatorMenu::OperatorMenu(std::istream& in, std::ostream& out,
                           std::vector<std::string> schemeNames, bool locked, bool shell)
    : in_(in), out_(out), schemes_(std::move(schemeNames)), locked_(locked), shell_(shell) {}

bool OperatorMenu::Ask(const std::string& question, std::string& answer) {
    out_ << question << std::flush;
    if (!std::getline(in_, answer))
        return false;
    answer.erase(std::remove(answer.begin(), answer.end(), '\r'), answer.end());
    return true;
}

void OperatorMenu::ListDrives(const std::vector<MenuEntry>& entries, bool selectedOnly) {
    char line[512];
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        if (selectedOnly && !e.selected)
            continue;
        const std::string scheme =
            e.scheme >= 0 ? schemes_[static_cast<size_t>(e.scheme)] + (e.verify ? ", verify" : "")
                          : "(no scheme)";
        std::snprintf(line, sizeof line, "  %2zu  %-8s %-11s %10s  %-24s serial %-20s scheme: %s\n",
                      i + 1, e.drive.name.c_str(), DriveClassName(e.drive.driveClass),
                      SizeText(e.drive.sizeBytes).c_str(), e.drive.model.c_str(),
                      e.drive.serial.c_str(), scheme.c_str());
        out_ << line;
    }
}

bool OperatorMenu::ChangeSchemes(std::vector<MenuEntry>& entries) {
    out_ << "Schemes:\n";
    for (size_t i = 0; i < schemes_.size(); ++i)
        out_ << "  " << i + 1 << "  " << schemes_[i] << "\n";
    std::string answer;
    std::vector<size_t> numbers;
    while (true) {
        if (!Ask("To give a drive another scheme, type the drive's number and the scheme's "
                 "number (for example 1 3); an empty line goes on: ",
                 answer))
            return false;
        if (answer.find_first_not_of(" \t") == std::string::npos)
            return true;
        if (!ParseNumbers(answer, std::max(entries.size(), schemes_.size()), numbers) ||
            numbers.size() != 2 || numbers[0] > entries.size() || numbers[1] > schemes_.size()) {
            out_ << "Type a drive number and a scheme number.\n";
            continue;
        }
        MenuEntry& e = entries[numbers[0] - 1];
        e.scheme = static_cast<int>(numbers[1] - 1);
        out_ << e.drive.name << ": " << schemes_[numbers[1] - 1] << "\n";
    }
}

MenuChoice OperatorMenu::Run(std::vector<MenuEntry>& entries) {
    std::string answer;
    std::vector<size_t> numbers;
    while (true) {
        for (MenuEntry& e : entries)
            e.selected = false;
        out_ << "\nDrives:\n";
        ListDrives(entries, false);
        const std::string question =
            std::string(
                "Type the numbers of the drives to wipe (for example 1 3), q to power off") +
            (shell_ ? ", s for a shell" : "") + ": ";
        if (!Ask(question, answer))
            return MenuChoice::PowerOff;
        if (answer == "q")
            return MenuChoice::PowerOff;
        if (shell_ && answer == "s")
            return MenuChoice::Shell;
        if (!ParseNumbers(answer, entries.size(), numbers) || numbers.empty()) {
            out_ << "No such drive: " << answer << "\n";
            continue;
        }
        for (size_t n : numbers)
            entries[n - 1].selected = true;
        if (!locked_ && !schemes_.empty() && !ChangeSchemes(entries))
            return MenuChoice::PowerOff;
        const auto chosen = std::count_if(entries.begin(), entries.end(), [](const MenuEntry& e) {
            return e.selected && e.scheme >= 0;
        });
        const auto without = std::count_if(entries.begin(), entries.end(), [](const MenuEntry& e) {
            return e.selected && e.scheme < 0;
        });
        if (without > 0)
            out_ << "A drive without a scheme is not wiped.\n";
        for (MenuEntry& e : entries)
            e.selected = e.selected && e.scheme >= 0;
        if (chosen == 0)
            continue;
        out_ << "Wiping destroys everything on these drives:\n";
        ListDrives(entries, true);
        if (!Ask("Type the number of drives (" + std::to_string(chosen) +
                     ") to start wiping; anything else goes back: ",
                 answer))
            return MenuChoice::PowerOff;
        if (answer == std::to_string(chosen))
            return MenuChoice::Wipe;
    }
}

}  // namespace wiper
