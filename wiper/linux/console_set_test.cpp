#include "wiper/linux/console_set.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

namespace wiper {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal: the program's side (a terminal like tty0 or ttyS0) and
// the operator's side.
struct Pty {
    wizard::UniqueFd operatorSide, terminal;
    std::string name;
    Pty() {
        int m = -1, s = -1;
        char path[128] = {};
        EXPECT_EQ(openpty(&m, &s, path, nullptr, nullptr), 0);
        operatorSide = wizard::UniqueFd(m);
        terminal = wizard::UniqueFd(s);
        name = path;
    }
    void Type(const std::string& text) const {
        ASSERT_EQ(write(operatorSide.get(), text.data(), text.size()),
                  static_cast<ssize_t>(text.size()));
    }
    // Types text a moment later, as an operator answering a question does.
    std::thread TypeLater(const std::string& text) const {
        return std::thread([this, text] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            Type(text);
        });
    }
    // What the terminal showed within a short wait.
    std::string Shown() const {
        std::string shown;
        pollfd p{operatorSide.get(), POLLIN, 0};
        char buffer[512];
        while (poll(&p, 1, 200) == 1 && (p.revents & POLLIN)) {
            const ssize_t n = read(operatorSide.get(), buffer, sizeof buffer);
            if (n <= 0)
                break;
            shown.append(buffer, static_cast<size_t>(n));
        }
        return shown;
    }
};

// The kernel's list of consoles picks the terminals: names that do not open,
// that are no terminals, that repeat or that leave the device folder are left
// out.
TEST(ConsoleSet, OpensTheActiveTerminals) {
    Pty screen, serial;
    const fs::path root = fs::path(testing::TempDir()) / "console_set";
    fs::remove_all(root);
    fs::create_directories(root / "sys/class/tty/console");
    fs::create_directories(root / "dev");
    fs::create_symlink(screen.name, root / "dev/tty0");
    fs::create_symlink(serial.name, root / "dev/ttyS0");
    std::ofstream(root / "dev/file") << "no terminal";
    const struct {
        const char* active;
        size_t opened;
    } cases[] = {
        {"tty0 ttyS0\n", 2},     {"ttyS0", 1}, {"ttyS1 tty0 file", 1}, {"tty0 tty0", 1},
        {"../dev/tty0 tty0", 1}, {"", 0},
    };
    for (const auto& c : cases) {
        std::ofstream(root / "sys/class/tty/console/active") << c.active;
        EXPECT_EQ(ConsoleSet::OpenActive(root / "sys", root / "dev").size(), c.opened) << c.active;
    }
    fs::remove(root / "sys/class/tty/console/active");
    EXPECT_EQ(ConsoleSet::OpenActive(root / "sys", root / "dev").size(), 0u);
    fs::remove_all(root);
}

// Attached, the program's lines reach both terminals, and the operator's
// answers come from whichever terminal they are typed on; a hidden line is
// not echoed; a key within the wait is seen on either terminal, and without
// one the wait ends.
TEST(ConsoleSet, WritesToAllAndReadsFromEither) {
    Pty screen, serial;
    std::vector<wizard::UniqueFd> terminals;
    terminals.emplace_back(dup(screen.terminal.get()));
    terminals.emplace_back(dup(serial.terminal.get()));
    const int screenFd = terminals[0].get(), serialFd = terminals[1].get();
    std::string line, hidden;
    int firstAnswer = -1, secondAnswer = -1;
    {
        ConsoleSet console(std::move(terminals));
        console.Attach();
        std::cout << "Drives (manual mode):" << std::endl;
        EXPECT_EQ(screen.Shown(), "Drives (manual mode):\r\n");
        EXPECT_EQ(serial.Shown(), "Drives (manual mode):\r\n");

        serial.Type("2 7\n");
        std::getline(std::cin, line);
        firstAnswer = console.OperatorTerminal();
        std::thread typing = screen.TypeLater("pass word\n");
        console.ReadHidden(hidden);
        typing.join();
        secondAnswer = console.OperatorTerminal();
        EXPECT_EQ(screen.Shown(), "\r\n") << "the hidden line was echoed";
        serial.Shown();

        for (const Pty* pty : {&serial, &screen}) {
            std::thread key = pty->TypeLater("x");
            EXPECT_TRUE(console.KeyWithin(20));
            key.join();
        }
        EXPECT_FALSE(console.KeyWithin(0));
    }
    EXPECT_EQ(line, "2 7");
    EXPECT_EQ(hidden, "pass word");
    EXPECT_EQ(firstAnswer, serialFd);
    EXPECT_EQ(secondAnswer, screenFd);
    EXPECT_TRUE(std::cout.flush().good()) << "standard output is not restored";
}

}  // namespace
}  // namespace wiper
