#include "wizard/config/boot_config_writer.h"

#include <cstring>

#include "wizard/config/file_stream.h"

namespace wizard {

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

bool BootConfigWriter::WriteWelcomeText(platform::WStringView path, WelcomeVariant variant) const {
    return WriteWholeFile(path, ToCrLf(WelcomeText(variant)));
}

bool BootConfigWriter::WriteWipeConfig(platform::WStringView path) const {
    return WriteWholeFile(path, ToCrLf(WipeConfigText()));
}

bool BootConfigWriter::WritePolicyFile(platform::WStringView path) const {
    std::string text;
    return PolicyText(text) && WriteWholeFile(path, ToCrLf(text));
}

std::size_t BootConfigWriter::FormatWipeConfig(std::span<char> buffer) const {
    const std::string text = WipeConfigText();
    if (text.size() > buffer.size()) {
        return 0;
    }
    std::memcpy(buffer.data(), text.data(), text.size());
    return text.size();
}

}  // namespace wizard
