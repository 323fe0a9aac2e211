#include "wiper/wipe_settings.h"

#include <vector>

#include "wiper/json_reader.h"

namespace wiper {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The value of a shell word starting at pos, up to unquoted white space or the
// end of the line. False when a quote is not closed.
bool ShellWord(std::string_view line, size_t pos, std::string& word) {
    word.clear();
    while (pos < line.size() && !IsBlank(line[pos])) {
        const char c = line[pos++];
        if (c == '\'') {
            const size_t end = line.find('\'', pos);
            if (end == std::string_view::npos)
                return false;
            word.append(line.substr(pos, end - pos));
            pos = end + 1;
        } else if (c == '"') {
            while (pos < line.size() && line[pos] != '"') {
                if (line[pos] == '\\' && pos + 1 < line.size() &&
                    std::string_view("\"\\$`").find(line[pos + 1]) != std::string_view::npos)
                    ++pos;
                word += line[pos++];
            }
            if (pos >= line.size())
                return false;
            ++pos;
        } else if (c == '\\' && pos < line.size()) {
            word += line[pos++];
        } else {
            word += c;
        }
    }
    return true;
}

void Assign(WipeConfig& config, std::string_view name, const std::string& value) {
    struct Flag {
        std::string_view name;
        bool WipeConfig::*field;
    };
    static constexpr Flag kFlags[] = {
        {"USE_SHELL", &WipeConfig::operatorShell}, {"WIPE_ALL_DISKS", &WipeConfig::wipeAll},
        {"USE_NODELAY", &WipeConfig::noDelay},     {"USE_LOGFILE", &WipeConfig::logToUsb},
        {"LOCK_PRESET", &WipeConfig::locked},      {"USE_LOGSHARE", &WipeConfig::logToShare},
        {"NET_ASKPASS", &WipeConfig::askPassword},
    };
    for (const Flag& f : kFlags) {
        if (f.name == name)
            config.*f.field = value == "y";
    }
    if (name == "NET_SHARE")
        config.share = value;
    else if (name == "NET_USER")
        config.user = value;
    else if (name == "NET_PASS")
        config.password = value;
}

bool Flag(const JsonValue& cls, std::string_view name) {
    const JsonValue* v = cls.Find(name);
    return v != nullptr && v->kind == JsonValue::Kind::Bool && v->boolean;
}

}  // namespace

const char* DriveClassName(DriveClass c) {
    static constexpr const char* kNames[] = {"hard disk", "solid-state", "removable", "hybrid"};
    return kNames[static_cast<size_t>(c)];
}

WipeConfig ParseWipeConfig(std::string_view text) {
    WipeConfig config;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        size_t pos = 0;
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
        line.remove_prefix(pos);
        if (line.starts_with("export") && line.size() > 6 && IsBlank(line[6])) {
            line.remove_prefix(6);
            while (!line.empty() && IsBlank(line.front()))
                line.remove_prefix(1);
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0)
            continue;
        const std::string_view name = line.substr(0, equals);
        if (name.find_first_of(" \t'\"#") != std::string_view::npos)
            continue;
        std::string value;
        if (ShellWord(line, equals + 1, value))
            Assign(config, name, value);
    }
    return config;
}

bool ParsePolicy(std::string_view text, WipePolicy& policy, std::string& error) {
    policy = WipePolicy();
    JsonValue root;
    if (!ParseJson(text, root, error))
        return false;
    const JsonValue* list = root.Find("wipePolicies");
    if (list == nullptr || list->kind != JsonValue::Kind::Array || list->items.empty() ||
        list->items[0].kind != JsonValue::Kind::Object) {
        error = "no wipe policy in the file";
        return false;
    }
    static constexpr std::pair<std::string_view, DriveClass> kKeys[] = {
        {"hdd", DriveClass::Hdd},
        {"ssd", DriveClass::Ssd},
        {"removable", DriveClass::Removable},
        {"sshd", DriveClass::Hybrid},
    };
    for (const auto& [key, driveClass] : kKeys) {
        const JsonValue* cls = list->items[0].Find(key);
        const JsonValue* scheme = cls != nullptr ? cls->Find("wipeScheme") : nullptr;
        const JsonValue* name = scheme != nullptr ? scheme->Find("name") : nullptr;
        if (name == nullptr || name->kind != JsonValue::Kind::String || name->text.empty())
            continue;
        ClassPolicy& p = policy.classes[static_cast<size_t>(driveClass)];
        p.present = true;
        p.scheme = name->text;
        p.verify = Flag(*cls, "verification");
        p.resetHpa = Flag(*cls, "resetHpa");
        p.resetDco = Flag(*cls, "resetDco");
        p.ataErase = Flag(*cls, "ataErase");
    }
    return true;
}

}  // namespace wiper
