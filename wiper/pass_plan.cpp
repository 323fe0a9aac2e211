#include "wiper/pass_plan.h"

#include <cstdio>

namespace wiper {

using wizard::PassType;

bool PlanPasses(const std::vector<wizard::SchemePass>& passes, bool classVerify,
                const RandomKeySource& keys, std::vector<PlannedPass>& plan) {
    plan.clear();
    // What the drive holds after the writing passes so far: zeros before the
    // first, so that a leading complement writes FF bytes.
    PassData previous;
    previous.pattern.assign(1, '\0');
    int lastWriting = -1;
    for (const wizard::SchemePass& line : passes) {
        PlannedPass p;
        p.type = line.type;
        p.verify = line.verify;
        switch (line.type) {
            case PassType::Zero:
                p.data.pattern.assign(1, '\0');
                break;
            case PassType::Pattern:
                p.data.pattern = line.pattern;
                break;
            case PassType::Random: {
                RandomKey key;
                if (!keys(key))
                    return false;
                p.data.random = key;
                break;
            }
            case PassType::Complement:
                p.data = previous;
                p.data.inverted = !previous.inverted;
                break;
            case PassType::Test:
                p.writes = false;
                p.verify = false;  // nothing written, nothing to compare
                break;
        }
        if (p.writes) {
            previous = p.data;
            lastWriting = static_cast<int>(plan.size());
        }
        plan.push_back(std::move(p));
    }
    if (classVerify && lastWriting >= 0)
        plan[static_cast<size_t>(lastWriting)].verify = true;
    return true;
}

std::string DescribePass(const PlannedPass& pass) {
    switch (pass.type) {
        case PassType::Zero:
            return "zeros";
        case PassType::Random:
            return "random data";
        case PassType::Complement:
            return "complement";
        case PassType::Test:
            return "read test";
        case PassType::Pattern:
            break;
    }
    std::string text = "pattern";
    const std::string& bytes = pass.data.pattern;
    for (size_t i = 0; i < bytes.size() && i < 8; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(bytes[i]));
        text += hex;
    }
    if (bytes.size() > 8)
        text += " ... (" + std::to_string(bytes.size()) + " bytes)";
    return text;
}

}  // namespace wiper
