// A stand-in external tool for the process tests, built for both targets (a
// PE program on Windows, since Wine gives no exit code for a Unix program).
//
//   child exit N            ends with exit code N
//   child sleep MS [FILE]   sleeps MS milliseconds, then writes FILE (empty) if given
//   child pwd FILE          writes its working folder to FILE (UTF-8)
//   child args FILE ...     writes every following argument to FILE, one a line (UTF-8)
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 120;

fs::path PathFromUtf8(const std::string& text) {
    const std::u8string u8(text.begin(), text.end());
    return fs::path(u8);
}

std::string ToString(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

bool WriteFile(const std::string& file, const std::string& content) {
    std::ofstream out(PathFromUtf8(file), std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}

int Run(const std::vector<std::string>& args) {
    if (args.size() < 2)
        return kUsageError;
    const std::string& command = args[1];
    if (command == "exit" && args.size() == 3) {
        return static_cast<int>(std::strtoul(args[2].c_str(), nullptr, 10));
    }
    if (command == "sleep" && (args.size() == 3 || args.size() == 4)) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::strtoul(args[2].c_str(), nullptr, 10)));
        return args.size() == 4 && !WriteFile(args[3], {}) ? 1 : 0;
    }
    if (command == "pwd" && args.size() == 3) {
        std::error_code error;
        const fs::path folder = fs::current_path(error);
        if (error)
            return 1;
        return WriteFile(args[2], ToString(folder.u8string())) ? 0 : 1;
    }
    if (command == "args" && args.size() >= 3) {
        std::string lines;
        for (size_t i = 3; i < args.size(); ++i)
            lines += args[i] + "\n";
        return WriteFile(args[2], lines) ? 0 : 1;
    }
    return kUsageError;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        args.push_back(platform::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
    }
    return Run(args);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv, argv + argc));
}
#endif
