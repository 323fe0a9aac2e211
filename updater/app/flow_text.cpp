#include "updater/app/flow_text.h"

#include <climits>
#include <vector>

#include "updater/support/lang_file.h"

namespace updater {

platform::WString LoadFlowText(const StringResources& strings, unsigned id, size_t capacity) {
    if (capacity == 0)
        return {};
    if (const cLangFile* lang = cLangFile::Registered(); lang != nullptr && capacity <= INT_MAX) {
        std::vector<char16_t> out(capacity);
        const int length = lang->LoadString(&strings, id, out.data(), static_cast<int>(capacity));
        return platform::WString(out.data(), static_cast<size_t>(length > 0 ? length : 0));
    }
    platform::WString text;
    if (!strings.Load(id, text))
        return {};
    if (text.size() >= capacity)
        text.resize(capacity - 1);
    return text;
}

}  // namespace updater
