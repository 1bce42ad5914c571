#include "station_label.h"

#include "message_text.h"
#include "station_port_text.h"
#include "utf8_text.h"

namespace k5 {
namespace {

// The code point of the well-formed sequence of `length` bytes at the start of `text`.
char32_t CodePoint(std::string_view text, std::size_t length) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (length == 1) return byte(0);
    char32_t value = byte(0) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) value = (value << 6) | (byte(i) & 0x3F);
    return value;
}

// C0 and C1 controls, DEL, and the separators that break a line.
bool Control(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

}  // namespace

std::string StationLabelProblem(const std::string& label) {
    if (label.empty()) return label_text::kEmpty;
    std::string_view rest = label;
    std::size_t characters = 0;
    while (!rest.empty()) {
        const std::size_t length = Utf8SequenceLength(rest);
        if (length == 0) return label_text::kNotUtf8;
        if (Control(CodePoint(rest, length))) return label_text::kControl;
        rest.remove_prefix(length);
        ++characters;
    }
    if (characters > kLargestLabel) return FillIn(label_text::kTooLong, {std::to_string(kLargestLabel)});
    return {};
}

std::string TrimmedLabel(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace k5
