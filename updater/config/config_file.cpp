#include "updater/config/config_file.h"

#include "updater/support/formatter.h"

namespace updater {
namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

platform::WString Cut(platform::WStringView text, size_t capacity) {
    return platform::WString(text.substr(0, capacity > 0 ? capacity - 1 : 0));
}

bool IsSectionHeader(platform::WStringView line) {
    return !line.empty() && line.front() == u'[' && line.back() == u']';
}

}  // namespace

bool cConfigFile::Open(platform::WStringView path, MessageOwner* owner) {
    if (file_.Open(path))
        return true;
    if (owner != nullptr) {
        // Room for the whole path and the words around it.
        const platform::WString text =
            FormatToString(path.size() + 64, u"Error in opening file\n'%s'", path);
        owner->Show(text, u"Renovo", kMessageErrorIcon);
    }
    return false;
}

void cConfigFile::OpenBytes(std::span<const uint8_t> bytes) {
    file_.Load(bytes);
}

bool cConfigFile::FindSection(platform::WStringView section) {
    if (!file_.IsOpen())
        return false;
    file_.Rewind();
    platform::WString line;
    while (file_.ReadLine(line, kSearchLineCapacity)) {
        if (platform::EqualsIgnoreCase(line, section))
            return true;
    }
    return false;
}

bool cConfigFile::FindValue(platform::WStringView section, platform::WStringView key,
                            platform::WString& value, size_t capacity) {
    if (!FindSection(section))
        return false;
    platform::WString line;
    while (file_.ReadLine(line, kSearchLineCapacity)) {
        if (IsSectionHeader(line))
            return false;
        const platform::WStringView text(line);
        if (text.size() < key.size() ||
            !platform::EqualsIgnoreCase(text.substr(0, key.size()), key))
            continue;
        size_t at = key.size();
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        // A longer key that merely starts with this one has no "=" here.
        if (at == text.size() || text[at] != u'=')
            continue;
        ++at;
        while (at < text.size() && IsBlank(text[at]))
            ++at;
        value = Cut(text.substr(at), capacity);
        return true;
    }
    return false;
}

bool cConfigFile::ReadNextLine(platform::WString& line, size_t capacity) {
    return file_.IsOpen() && file_.ReadLine(line, capacity);
}

bool cConfigFile::ReadPair(platform::WString& name, size_t nameCapacity, platform::WString& value,
                           size_t valueCapacity) {
    platform::WString line;
    if (!ReadNextLine(line, kPairLineCapacity))
        return false;
    const platform::WStringView text(line);
    const size_t equals = text.find(u'=');
    if (equals == platform::WStringView::npos) {
        name = Cut(text, nameCapacity);
        value.clear();
        return true;
    }
    name = Cut(text.substr(0, equals), nameCapacity);
    size_t at = equals + 1;
    while (at < text.size() && text[at] == u' ')
        ++at;
    value = Cut(text.substr(at), valueCapacity);
    return true;
}

}  // namespace updater
