// OperatorMenu: manual mode on the console. It lists the drives with class,
// size, model, serial and scheme; the operator picks drives by number, may
// give a drive another scheme (unless the settings are locked), and confirms
// by typing how many drives will be wiped. End of input means nobody is there
// to answer: the menu then powers off without wiping.
//
// Reads and writes the streams it is given; one thread.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "wiper/drive_scan.h"

namespace wiper {

struct MenuEntry {
    DriveInfo drive;
    int scheme = -1;  // position in the scheme names; -1: the class has none
    bool verify = false;
    bool selected = false;
};

enum class MenuChoice { Wipe, PowerOff, Shell };

class OperatorMenu {
  public:
    OperatorMenu(std::istream& in, std::ostream& out, std::vector<std::string> schemeNames,
                 bool locked, bool shell);

    // Runs the menu until the operator confirms (Wipe: the chosen entries have
    // selected set), asks to power off, or asks for the shell.
    MenuChoice Run(std::vector<MenuEntry>& entries);

  private:
    bool Ask(const std::string& question, std::string& answer);
    void ListDrives(const std::vector<MenuEntry>& entries, bool selectedOnly);
    bool ChangeSchemes(std::vector<MenuEntry>& entries);

    std::istream& in_;
    std::ostream& out_;
    std::vector<std::string> schemes_;
    bool locked_;
    bool shell_;
};

// The numbers in text ("1 3", "2,4"): false when a word is no number from 1
// to limit.
bool ParseNumbers(const std::string& text, size_t limit, std::vector<size_t>& numbers);

}  // namespace wiper
