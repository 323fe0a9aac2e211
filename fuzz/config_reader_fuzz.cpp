// Arbitrary bytes as an ini-like file of the updater (renovo.cfg, version
// descriptions). Every line read is non-empty, holds no line end and fits the
// capacity; the lines together are the decoded text without its line ends;
// every header read is found again as a section, and every "key=value" line
// of a section gives a value for its key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "fuzz/require.h"
#include "updater/config/config_file.h"
#include "updater/config/update_config.h"

using qo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace updater;
    const std::span<const uint8_t> bytes(data, size);
    // The first byte also picks the capacity lines are read with.
    const size_t capacity = size > 0 ? data[0] % 40 + 2 : 16;

    cConfigFile file;
    file.OpenBytes(bytes);
    std::u16string joined, line;
    std::vector<std::u16string> lines;
    while (file.ReadNextLine(line, capacity)) {
        Require(!line.empty() && line.size() <= capacity - 1);
        Require(line.find_first_of(u"\r\n") == std::u16string::npos);
        joined += line;
        lines.push_back(line);
    }
    std::u16string text = DecodeTextFile(bytes);
    std::erase_if(text, [](char16_t c) { return c == u'\r' || c == u'\n'; });
    Require(joined == text);

    // Headers and keys, read the way the configuration reads them.
    cConfigFile search;
    search.OpenBytes(bytes);
    std::u16string section;
    std::set<std::u16string> seen;
    size_t checked = 0;
    while (search.ReadNextLine(line, cConfigFile::kSearchLineCapacity) && checked < 64) {
        if (line.front() == u'[' && line.back() == u']') {
            // Only the first section of a name is ever found.
            std::u16string lower = line;
            for (char16_t& c : lower)
                c = platform::AsciiLower(c);
            section = seen.insert(lower).second ? line : std::u16string();
            continue;
        }
        const size_t equals = line.find(u'=');
        if (section.empty() || equals == 0 || equals == std::u16string::npos)
            continue;
        const std::u16string key = line.substr(0, equals);
        if (key.find_first_of(u" \t") != std::u16string::npos)
            continue;
        cConfigFile probe;
        probe.OpenBytes(bytes);
        Require(probe.FindSection(section));
        std::u16string value;
        Require(probe.FindValue(section, key, value, 1024));
        ++checked;
    }

    // Pairs and the whole configuration never fail on an open text.
    cConfigFile pairs;
    pairs.OpenBytes(bytes);
    std::u16string name, value;
    size_t count = 0;
    while (pairs.ReadPair(name, 260, value, 260)) {
        Require(name.size() < 260 && value.size() < 260);
        ++count;
    }
    return 0;
}
