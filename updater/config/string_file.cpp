#include "updater/config/string_file.h"

#include <string_view>
#include <vector>

#include "platform/input_file.h"

namespace updater {
namespace {

platform::WString Utf16(std::span<const uint8_t> bytes, bool bigEndian) {
    platform::WString text;
    text.reserve(bytes.size() / 2);
    // An odd last byte is no code unit; it is left out.
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned first = bytes[i], second = bytes[i + 1];
        text.push_back(
            static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8)));
    }
    return text;
}

std::string_view Narrow(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

TextForm DetectTextForm(std::span<const uint8_t> bytes, size_t& markLength) {
    markLength = 0;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        markLength = 2;
        return TextForm::Utf16LittleEndian;
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        markLength = 2;
        return TextForm::Utf16BigEndian;
    }
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        markLength = 3;
        return TextForm::Utf8;
    }
    if ((bytes.size() >= 1 && bytes[0] == 0) || (bytes.size() >= 2 && bytes[1] == 0))
        return TextForm::Utf16Unmarked;
    return TextForm::SingleByte;
}

platform::WString DecodeTextFile(std::span<const uint8_t> bytes, TextForm* form) {
    size_t mark = 0;
    const TextForm detected = DetectTextForm(bytes, mark);
    if (form != nullptr)
        *form = detected;
    const std::span<const uint8_t> body = bytes.subspan(mark);
    switch (detected) {
        case TextForm::Utf16LittleEndian:
        case TextForm::Utf16Unmarked:
            return Utf16(body, false);
        case TextForm::Utf16BigEndian:
            return Utf16(body, true);
        case TextForm::Utf8:
            return platform::FromUtf8(Narrow(body));
        case TextForm::SingleByte:
            break;
    }
    return platform::FromAnsi(Narrow(body));
}

bool cStringFile::Open(platform::WStringView path) {
    Close();
    std::vector<uint8_t> bytes;
    if (platform::ReadWholeFile(path, kMaxFileBytes, bytes) != platform::WholeFileResult::Ok)
        return false;
    Load(bytes);
    return true;
}

void cStringFile::Load(std::span<const uint8_t> bytes) {
    Assign(DecodeTextFile(bytes, &form_));
    open_ = true;
}

void cStringFile::Close() {
    Assign({});
    open_ = false;
    form_ = TextForm::SingleByte;
}

}  // namespace updater
