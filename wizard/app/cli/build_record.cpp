#include "wizard/app/cli/build_record.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/files.h"
#include "platform/output_file.h"
#include "qo_version.h"
#include "wizard/media/build_worker.h"
#include "wizard/media/linux/disk_identity.h"

namespace wizard::cli {
namespace {

// The files a build writes from the settings; every other file of the tree
// comes from the payload.
constexpr const char* kConfigurationFiles[] = {"welcome.txt", "welcome.sparc.txt", "wipe_config",
                                               "tmp/policy.cfg", "quelix"};
constexpr std::pair<const char*, DriveClass> kClasses[] = {{"hdd", DriveClass::Hdd},
                                                           {"ssd", DriveClass::Ssd},
                                                           {"hybrid", DriveClass::Hybrid},
                                                           {"removable", DriveClass::Removables}};

std::string Json(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Json(const platform::WString& text) {
    return Json(platform::ToUtf8(text));
}

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

// The time in UTC, as "2024-05-01T12:00:00Z" or (compact) "20240501T120000Z".
std::string TimeText(int64_t time, bool compact) {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, compact ? "%Y%m%dT%H%M%SZ" : "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Options(const WizardSettings& s) {
    std::string schemes, verify;
    for (const auto& [name, driveClass] : kClasses) {
        const WipeScheme* scheme = s.SchemeOf(driveClass);
        schemes += std::string(schemes.empty() ? "" : ", ") + "\"" + name + "\": " +
                   (scheme ? "{\"name\": " + Json(scheme->DisplayName) +
                                 ", \"file\": " + Json(scheme->FileName) + "}"
                           : std::string("null"));
        verify += std::string(verify.empty() ? "" : ", ") + "\"" + name +
                  "\": " + JsonBool(s.Verify(driveClass) != 0);
    }
    return std::string("{\n    \"workMode\": ") + (s.AutoStart ? "\"automatic\"" : "\"manual\"") +
           ",\n    \"recommendedSettings\": " + JsonBool(s.UseDefaultSetings == 1) +
           ",\n    \"noDelay\": " + JsonBool(s.NoDelay != 0) + ",\n    \"schemes\": {" + schemes +
           "},\n    \"verifyWipe\": {" + verify +
           "},\n    \"resetHpa\": " + JsonBool(s.ResetHPA != 0) +
           ",\n    \"resetDco\": " + JsonBool(s.ResetDCO != 0) +
           ",\n    \"ataErase\": " + JsonBool(s.AtaErase != 0) +
           ",\n    \"logToUsb\": " + JsonBool(s.WriteLog != 0) +
           ",\n    \"logShare\": " + (s.NetLog ? Json(s.NetShare) : std::string("null")) +
           ",\n    \"shareUser\": " + (s.NetLog ? Json(s.NetUser) : std::string("null")) +
           ",\n    \"lockSettings\": " + JsonBool(s.LockPreset != 0) + "\n  }";
}

std::string Files(const MediumReport& report, bool configuration) {
    std::string out;
    for (const TreeFile& f : report.files) {
        bool isConfiguration = false;
        for (const char* name : kConfigurationFiles)
            isConfiguration = isConfiguration || f.path == name;
        if (isConfiguration != configuration)
            continue;
        out += std::string(out.empty() ? "\n" : ",\n") + "    {\"path\": " + Json(f.path) +
               ", \"bytes\": " + std::to_string(f.size) + ", \"sha256\": " + Json(f.sha256) + "}";
    }
    return "[" + out + (out.empty() ? "]" : "\n  ]");
}

const char* VerificationText(Verification v) {
    return v == Verification::Passed   ? "passed"
           : v == Verification::Failed ? "failed"
                                       : "not asked";
}

// Keeps letters, digits, '.', '-' and '_' of a name part.
std::string FileNamePart(std::string text) {
    for (char& c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            c = '_';
    }
    return text;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The text in a new file in folder, under a temporary name; false with error.
bool WriteTemporary(const std::string& folder, const std::string& text, std::string& temporary,
                    std::string& error) {
    platform::OutputFile out;
    platform::WString name;
    if (!out.CreateUnique(platform::FromUtf8(folder), u"QLX", name) ||
        !out.Write(text.data(), text.size()) || !out.Close()) {
        if (!name.empty())
            platform::DeleteOneFile(name);
        error = "cannot write a build record in " + folder + ": " + std::strerror(errno);
        return false;
    }
    temporary = platform::ToUtf8(name);
    return true;
}

}  // namespace

std::string BuildRecordText(const WizardSettings& settings, const RecordedMedium& medium,
                            const MediumReport& report, const std::string& result, int64_t time) {
    const std::string identity =
        "{\"kind\": " + Json(medium.kind) + ", \"path\": " + Json(medium.path) +
        (medium.given.empty() ? "" : ", \"given\": " + Json(medium.given)) +
        (medium.kind == "usb-drive"
             ? ", \"model\": " + Json(medium.model) + ", \"serial\": " + Json(medium.serial)
             : "") +
        ", \"bytes\": " + std::to_string(medium.bytes) + "}";
    return "{\n  \"program\": \"mediawizard\",\n  \"version\": " + Json(QO_VERSION_TEXT) +
           ",\n  \"time\": " + Json(TimeText(time, false)) + ",\n  \"result\": " + Json(result) +
           ",\n  \"medium\": " + identity +
           ",\n  \"verification\": {\"result\": " + Json(VerificationText(report.verification)) +
           (report.failure.empty() ? "" : ", \"failure\": " + Json(report.failure)) +
           "},\n  \"options\": " + Options(settings) +
           ",\n  \"configuration\": " + Files(report, true) +
           ",\n  \"payload\": " + Files(report, false) + "\n}\n";
}

bool WriteBuildRecord(const std::string& folder, const RecordedMedium& medium,
                      const std::string& text, int64_t time, std::string& path,
                      std::string& error) {
    path.clear();
    std::string temporary;
    if (folder.empty()) {
        if (medium.kind == "usb-drive")
            return true;
        // Beside the image, in place of the record of the image it replaced.
        const std::string parent =
            platform::ToUtf8(platform::ParentFolder(platform::FromUtf8(medium.path)));
        path = medium.path + ".json";
        if (!WriteTemporary(parent.empty() ? "." : parent, text, temporary, error))
            return false;
        if (platform::MoveFileReplacing(platform::FromUtf8(temporary), platform::FromUtf8(path)))
            return true;
        error = "cannot write the build record " + path + ": " + std::strerror(errno);
        platform::DeleteOneFile(platform::FromUtf8(temporary));
        return false;
    }
    if (!platform::CreateFolders(platform::FromUtf8(folder)) ||
        !WriteTemporary(folder, text, temporary, error)) {
        if (error.empty())
            error = "cannot make the record folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    // A name of its own: the drive (its serial) or the image, and the time.
    const std::string base =
        folder + "/" +
        FileNamePart(medium.kind == "usb-drive"
                         ? "usb-" + (medium.serial.empty() ? BaseName(medium.path) : medium.serial)
                         : BaseName(medium.path)) +
        "-" + TimeText(time, true);
    for (int n = 1; n < 1000; ++n) {
        path = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".json";
        if (link(temporary.c_str(), path.c_str()) == 0) {
            unlink(temporary.c_str());
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error = "cannot write the build record " + path + ": " + std::strerror(errno);
    unlink(temporary.c_str());
    path.clear();
    return false;
}

RecordedMedium DriveMedium(const UsbDiskInfo& disk) {
    RecordedMedium medium;
    const bool file = disk.Identity.Inode != 0;
    medium.kind = file ? "usb-image" : "usb-drive";
    medium.path = platform::ToUtf8(disk.DevicePath);
    if (disk.GivenName != disk.DevicePath)
        medium.given = platform::ToUtf8(disk.GivenName);
    if (!file)
        medium.model = DiskModel(LinuxRoots{}, BaseName(medium.path));
    medium.serial = platform::ToUtf8(disk.Identity.Serial);
    medium.bytes = disk.Identity.Bytes;
    return medium;
}

void RecordBuild(const std::string& folder, const WizardSettings& settings,
                 const RecordedMedium& medium, const MediumReport& report, int buildResult,
                 int64_t time) {
    const std::string text = BuildRecordText(
        settings, medium, report, buildResult == kBuildCreated ? "created" : "failed", time);
    std::string path, error;
    if (!WriteBuildRecord(folder, medium, text, time, path, error))
        std::fprintf(stderr, "mediawizard: %s\n", error.c_str());
    else if (!path.empty())
        std::fprintf(stderr, "Build record of %s: %s\n", medium.path.c_str(), path.c_str());
}

}  // namespace wizard::cli
