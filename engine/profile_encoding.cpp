#include "profile_encoding.h"

#include <cstdint>

namespace k5::profile {
namespace {

constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The next code point of UTF-8 text at `at`, advancing it. A byte that starts
// no whole sequence stands for U+FFFD.
std::uint32_t NextCodePoint(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0xFFFD;
    }
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return cp;
}

}  // namespace

FileText FileText::FromBytes(std::string_view bytes) {
    FileText file;
    const bool le = bytes.substr(0, 2) == kUtf16LeMark;
    if (!le && bytes.substr(0, 2) != kUtf16BeMark) {
        file.text_ = bytes;
        return file;
    }
    file.encoding_ = le ? Encoding::Utf16Le : Encoding::Utf16Be;
    bytes.remove_prefix(2);
    if (bytes.size() % 2 != 0) {
        file.oddByte_ = bytes.back();
        bytes.remove_suffix(1);
    }
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<std::uint8_t>(bytes[2 * i]);
        const auto b = static_cast<std::uint8_t>(bytes[2 * i + 1]);
        return le ? a | (b << 8) : (a << 8) | b;
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = unit(i);
        if (IsHighSurrogate(u) && i + 1 < units && IsLowSurrogate(unit(i + 1))) {
            AppendUtf8(file.text_, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else {
            AppendUtf8(file.text_, u);  // an unpaired surrogate too, as three bytes
        }
    }
    return file;
}

std::string FileText::ToBytes(std::string_view text) const {
    if (encoding_ == Encoding::Bytes) return std::string(text);
    const bool le = encoding_ == Encoding::Utf16Le;
    std::string out(le ? kUtf16LeMark : kUtf16BeMark);
    const auto put = [&](std::uint32_t u) {
        const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
        out += le ? low : high;
        out += le ? high : low;
    };
    for (std::size_t at = 0; at < text.size();) {
        const std::uint32_t cp = NextCodePoint(text, at);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out + oddByte_;
}

}  // namespace k5::profile
