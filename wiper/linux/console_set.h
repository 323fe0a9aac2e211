// ConsoleSet: the terminals the wiping program talks to. A PC's kernel is
// started with two consoles, the screen (tty0) and the first serial port
// (ttyS0), and the operator sits at either: everything written goes to every
// terminal, and a line or a key is taken from whichever terminal it is typed
// on. Without terminals (the program started by hand with a sysfs tree of its
// own) standard input and output are used as they are.
//
// Built and attached on the main thread; the output may then be written from
// any thread under the caller's lock (std::cout as ever); input calls on the
// main thread only.
#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "wizard/media/linux/unique_fd.h"

namespace wiper {

class ConsoleSet {
  public:
    // The terminals named in <sysDir>/class/tty/console/active, opened from
    // devDir; a name that does not open or is no terminal is left out.
    static ConsoleSet OpenActive(const std::string& sysDir, const std::string& devDir);

    explicit ConsoleSet(std::vector<wizard::UniqueFd> terminals);
    ConsoleSet(ConsoleSet&&) noexcept;
    ~ConsoleSet();

    size_t size() const { return terminals_.size(); }

    // From now on until the object goes, std::cout writes to every terminal
    // and std::cin reads from whichever has a line. No change without
    // terminals.
    void Attach();

    // Waits up to seconds for a key on any terminal (each switched to single
    // keys for the wait); true when one came. False at once without a terminal.
    bool KeyWithin(int seconds);

    // Reads a line from std::cin with echo off on every terminal; false at end.
    bool ReadHidden(std::string& line);

    // The terminal the operator typed on last (the first before any input);
    // standard input without terminals. Only valid while the object lives.
    int OperatorTerminal() const;

  private:
    class Output;
    class Input;
    std::vector<int> Fds() const;

    std::vector<wizard::UniqueFd> terminals_;
    std::unique_ptr<Output> output_;
    std::unique_ptr<Input> input_;
    std::streambuf* savedOut_ = nullptr;
    std::streambuf* savedIn_ = nullptr;
};

}  // namespace wiper
