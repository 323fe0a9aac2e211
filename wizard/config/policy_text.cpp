// policy.cfg: the wipe policy per drive class, in the fixed JSON layout the
// wiping environment reads (classes in the order removable, sshd, hdd, ssd).
#include "wizard/config/boot_config_writer.h"
#include "wizard/config/json_text.h"

namespace wizard {
namespace {

struct PolicyClass {
    const char* key;
    int id;
    DriveClass driveClass;
    bool ataOptions;  // removable drives never get the ATA options
};

constexpr PolicyClass kPolicyClasses[] = {
    {"removable", 3, DriveClass::Removables, false},
    {"sshd", 4, DriveClass::Hybrid, true},
    {"hdd", 1, DriveClass::Hdd, true},
    {"ssd", 2, DriveClass::Ssd, true},
};

const char* Bool(bool value) {
    return value ? "true" : "false";
}

std::string ClassBlock(const PolicyClass& c, const WizardSettings& s, const std::string& name) {
    const std::string indent(13, ' ');
    std::string text;
    text += std::string("       \"") + c.key + "\" :\n";
    text += "       {\n";
    text += indent + "\"id\" : " + std::to_string(c.id) + ",\n";
    text += indent + "\"verification\" : " + Bool(s.Verify(c.driveClass) == 1) + ",\n";
    text += indent + "\"resetHpa\" : " + Bool(c.ataOptions && s.ResetHPA == 1) + ",\n";
    text += indent + "\"resetDco\" : " + Bool(c.ataOptions && s.ResetDCO == 1) + ",\n";
    text += indent + "\"ataErase\" : " + Bool(c.ataOptions && s.AtaErase == 1) + ",\n";
    text += indent + "\"wipeScheme\" :\n";
    text += indent + "{\n";
    text += std::string(17, ' ') + "\"name\" : \"" + EscapeJsonString(name) + "\"\n";
    text += indent + "}\n";
    text += "       }";
    return text;
}

}  // namespace

std::string PolicySchemeName(const WipeScheme& scheme) {
    std::string name = platform::ToAnsi(scheme.FileName);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    return name;
}

bool BootConfigWriter::PolicyText(std::string& text) const {
    std::string out =
        "{\n"
        " \"wipePolicies\" :\n"
        " [\n"
        "    {\n"
        "       \"policyId\" : 1,\n"
        "       \"policyName\" : \"Default policy\",\n";
    for (const PolicyClass& c : kPolicyClasses) {
        const WipeScheme* scheme = settings_.SchemeOf(c.driveClass);
        if (scheme == nullptr) {
            return false;
        }
        out += "\n" + ClassBlock(c, settings_, PolicySchemeName(*scheme));
        out += &c == &kPolicyClasses[3] ? "\n" : ",\n";
    }
    out +=
        "\n"
        "    }\n"
        " ]\n"
        "}\n";
    text = std::move(out);
    return true;
}

}  // namespace wizard
