// A stand-in installer for the installation tests, built for both targets (a
// PE program on Windows). It writes its arguments, one a line, to
// "<own file>.args" and ends with the number in "<own file>.exit" (0 when
// there is none); "crash" there ends it abnormally (Windows: the exit code of
// an access violation; Linux: a signal). Its own file is the name it was
// started by (Linux runs a private copy of the checked file under that name).
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/files.h"
#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::filesystem::path PathOf(const platform::WString& path) {
    const std::string utf8 = platform::ToUtf8(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    const platform::WString self = platform::ProgramFilePath();
#else
    const platform::WString self = platform::FromUtf8(argc > 0 ? argv[0] : "");
#endif
    {
        std::ofstream args(PathOf(self + u".args"), std::ios::binary | std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            args << argv[i] << "\n";
    }
    std::ifstream exit(PathOf(self + u".exit"));
    std::string what;
    exit >> what;
    if (what == "crash") {
#ifdef _WIN32
        ExitProcess(0xC0000005);
#else
        std::raise(SIGKILL);
#endif
    }
    return what.empty() ? 0 : std::atoi(what.c_str());
}
