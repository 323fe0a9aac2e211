// A stand-in mastering tool for the ISO builder's tests, built for both
// targets (a PE program on Windows, so that Wine runs it). It follows the
// lines of "mkisofs.ctl" beside it, in any order:
//   started FILE writes FILE (empty) as its first act
//   exit N       ends with exit code N (default 0)
//   size N       writes the "-o" file with N bytes (default: no file)
//   sleep MS     sleeps MS milliseconds first
//   record FILE  writes its working folder, then every argument, one a line
//   patch FILE   overwrites bytes of FILE (relative to its working folder) in
//                place, as -boot-info-table does to the boot loader
//   done FILE    writes FILE (empty) as its last act
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> ReadControl() {
    const std::string folder = platform::ToUtf8(platform::ProgramFolder());
    std::ifstream in(fs::path(std::u8string(folder.begin(), folder.end())) / "mkisofs.ctl");
    std::map<std::string, std::string> control;
    std::string key, value;
    while (in >> key && std::getline(in >> std::ws, value))
        control[key] = value;
    return control;
}

void WriteSized(const std::string& file, uint64_t size) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const std::string block(65536, '\0');
    for (uint64_t left = size; left > 0;) {
        const uint64_t n = left < block.size() ? left : block.size();
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    auto control = ReadControl();
    if (control.count("started"))
        std::ofstream(control["started"], std::ios::binary | std::ios::trunc);
    if (control.count("sleep"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoul(control["sleep"])));
    if (control.count("record")) {
        std::ofstream out(control["record"], std::ios::binary | std::ios::trunc);
        out << fs::current_path().string() << "\n";
        for (int i = 1; i < argc; ++i)
            out << argv[i] << "\n";
    }
    if (control.count("patch")) {
        std::fstream boot(control["patch"], std::ios::binary | std::ios::in | std::ios::out);
        boot.seekp(8);
        boot << "PATCHED";
    }
    std::string output;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "-o")
            output = argv[i + 1];
    }
    if (control.count("size") && !output.empty())
        WriteSized(output, std::stoull(control["size"]));
    if (control.count("done"))
        std::ofstream(control["done"], std::ios::binary | std::ios::trunc);
    return control.count("exit") ? std::atoi(control["exit"].c_str()) : 0;
}
