#include "operator_line.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>
#include <variant>

#include "message_text.h"
#include "station_texts.h"

namespace k5::cli {
namespace {

namespace text = station_text;

using JsonValue = std::variant<std::string, std::int64_t>;

// Reads a one-line JSON object whose values are strings and integers: what an operator's
// program sends. Nothing for anything else.
class FlatJsonReader {
  public:
    explicit FlatJsonReader(std::string_view text) : text_(text) {}

    std::optional<std::map<std::string, JsonValue>> Object() {
        std::map<std::string, JsonValue> members;
        if (!Take('{')) return std::nullopt;
        if (!Take('}')) {
            do {
                auto key = String();
                if (!key || !Take(':')) return std::nullopt;
                auto value = Value();
                if (!value || !members.emplace(std::move(*key), std::move(*value)).second)
                    return std::nullopt;
            } while (Take(','));
            if (!Take('}')) return std::nullopt;
        }
        SkipBlanks();
        if (at_ != text_.size()) return std::nullopt;
        return members;
    }

  private:
    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    }
    bool Take(char c) {
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    std::optional<JsonValue> Value() {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == '"') {
            auto text = String();
            if (!text) return std::nullopt;
            return JsonValue{std::move(*text)};
        }
        std::int64_t number = 0;
        const char* end = text_.data() + text_.size();
        const auto [stop, ec] = std::from_chars(text_.data() + at_, end, number);
        if (ec != std::errc() || (stop < end && (*stop == '.' || *stop == 'e' || *stop == 'E')))
            return std::nullopt;
        at_ = static_cast<std::size_t>(stop - text_.data());
        return JsonValue{number};
    }
    std::optional<unsigned> Hex4() {
        if (text_.size() - at_ < 4) return std::nullopt;
        unsigned value = 0;
        const auto [stop, ec] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, value, 16);
        if (ec != std::errc() || stop != text_.data() + at_ + 4) return std::nullopt;
        at_ += 4;
        return value;
    }
    static void AppendUtf8(std::string& out, char32_t c) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;  // control characters stay: the label's own check refuses them
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            switch (const char e = text_[at_++]) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    auto unit = Hex4();
                    if (!unit) return std::nullopt;
                    char32_t c32 = *unit;
                    if (c32 >= 0xD800 && c32 <= 0xDBFF) {
                        if (!Take('\\') || at_ >= text_.size() || text_[at_++] != 'u') return std::nullopt;
                        auto low = Hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                        c32 = 0x10000 + ((c32 - 0xD800) << 10) + (*low - 0xDC00);
                    } else if (c32 >= 0xDC00 && c32 <= 0xDFFF) {
                        return std::nullopt;
                    }
                    AppendUtf8(out, c32);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

// The port number `text` is, exactly ("2"), when the station has it; else 0.
std::size_t PortNumber(std::string_view text, std::size_t ports) {
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string_view::npos)
        return 0;
    std::size_t number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number >= 1 && number <= ports ? number : 0;
}

OperatorLine Refused(std::string problem) {
    OperatorLine line;
    line.kind = OperatorLine::Kind::Refused;
    line.problem = std::move(problem);
    return line;
}

OperatorLine FromJson(const std::string& line, std::size_t ports) {
    FlatJsonReader reader(line);
    const auto members = reader.Object();
    if (!members) return Refused(text::kNotJsonObject);
    OperatorLine read;
    read.port = ports == 1 ? 1 : 0;
    bool hasLabel = false;
    for (const auto& [key, value] : *members) {
        if (key == "port") {
            const auto* number = std::get_if<std::int64_t>(&value);
            if (!number || *number < 1 || static_cast<std::uint64_t>(*number) > ports)
                return Refused(FillIn(text::kNoSuchPort, {std::to_string(ports)}));
            read.port = static_cast<std::size_t>(*number);
        } else if (key == "label") {
            const auto* label = std::get_if<std::string>(&value);
            if (!label) return Refused(text::kLabelNotText);
            read.label = *label;
            hasLabel = true;
        } else {
            return Refused(FillIn(text::kUnknownKey, {key}));
        }
    }
    if (read.port == 0) return Refused(FillIn(text::kWhichPort, {std::to_string(ports)}));
    if (!hasLabel && members->count("port") == 0) return Refused(text::kNothingAsked);
    read.kind = hasLabel ? OperatorLine::Kind::Label : OperatorLine::Kind::GoPort;
    return read;
}

}  // namespace

OperatorLine ReadOperatorLine(const std::string& line, std::size_t ports) {
    OperatorLine read;
    if (line.empty()) return read;
    if (line == "q" || line == "Q") {
        read.kind = OperatorLine::Kind::Quit;
        return read;
    }
    if (const std::size_t first = line.find_first_not_of(" \t");
        first != std::string::npos && line[first] == '{')
        return FromJson(line, ports);
    if (const std::size_t port = PortNumber(line, ports)) {
        read.kind = OperatorLine::Kind::GoPort;
        read.port = port;
        return read;
    }
    read.kind = OperatorLine::Kind::Label;
    const std::size_t blank = line.find(' ');
    if (const std::size_t port = blank == std::string::npos ? 0 : PortNumber(line.substr(0, blank), ports)) {
        read.port = port;
        read.label = line.substr(blank + 1);
    } else if (ports == 1) {
        read.port = 1;
        read.label = line;
    } else {
        return Refused(FillIn(text::kWhichPort, {std::to_string(ports)}));
    }
    return read;
}

}  // namespace k5::cli
