// A stand-in for the product's installer, for the update tests and the demo.
// The update program downloads it, checks its signature and runs it with
// " -H"; it then
//
//   - appends one line to its run log: its arguments, each preceded by a
//     blank (so a run with " -H" logs " -H"). The log is the file named by
//     QO_INSTALLER_LOG, else "<own file>.log";
//   - "installs" when QO_INSTALL_PAYLOAD names a file and QO_INSTALL_FOLDER a
//     folder: the file is copied into the folder under its own name (the demo
//     writes the new release's version description into the program folder);
//   - ends with the exit code in QO_INSTALLER_EXIT, else the number in the
//     file "<own file>.exit", else 1 (installed). Bit 0: installed, bit 1:
//     restart needed, bit 2: cancelled.
//
// Standard C++ only, built for both targets.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr int kInstalled = 1;
// A copy that failed: neither installed nor cancelled.
constexpr int kInstallFailed = 0;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The installer's own file: argv[0] as the update program starts it (a full
// path, in quotes on Windows, which the runtime removes).
fs::path OwnFile(const char* argv0) {
    std::error_code error;
    fs::path self = fs::absolute(fs::path(argv0), error);
    return error ? fs::path(argv0) : self;
}

void AppendRunLine(const fs::path& self, int argc, char** argv) {
    std::string log = Environment("QO_INSTALLER_LOG");
    const fs::path path = log.empty() ? fs::path(self.string() + ".log") : fs::path(log);
    std::ofstream out(path, std::ios::binary | std::ios::app);
    std::string line;
    for (int i = 1; i < argc; ++i)
        line += std::string(" ") + argv[i];
    out << line << "\n";
}

// Copies the payload into the install folder; false when asked to and it failed.
bool Install() {
    const std::string payload = Environment("QO_INSTALL_PAYLOAD");
    const std::string folder = Environment("QO_INSTALL_FOLDER");
    if (payload.empty() || folder.empty())
        return true;
    const fs::path from(payload);
    const fs::path to = fs::path(folder) / from.filename();
    const fs::path part = fs::path(to.string() + ".part");
    std::error_code error;
    fs::copy_file(from, part, fs::copy_options::overwrite_existing, error);
    if (!error)
        fs::rename(part, to, error);
    if (error) {
        std::fprintf(stderr, "installer: cannot install %s into %s: %s\n", payload.c_str(),
                     folder.c_str(), error.message().c_str());
        fs::remove(part, error);
        return false;
    }
    return true;
}

int ExitCode(const fs::path& self) {
    std::string text = Environment("QO_INSTALLER_EXIT");
    if (text.empty()) {
        std::ifstream file(fs::path(self.string() + ".exit"));
        file >> text;
    }
    if (text.empty())
        return kInstalled;
    return std::atoi(text.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path self = OwnFile(argc > 0 ? argv[0] : "installer");
    AppendRunLine(self, argc, argv);
    const int code = ExitCode(self);
    // Only a run that reports an installation installs anything.
    if ((code & kInstalled) != 0 && !Install())
        return kInstallFailed;
    return code;
}
