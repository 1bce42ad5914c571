#include "profile_text.h"

#include <algorithm>
#include <vector>

namespace k5::profile {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

struct Line {
    std::size_t begin;       // first byte of the line's text
    std::size_t contentEnd;  // where its line ending starts
    std::size_t end;         // past its line ending
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t at = text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0;
    while (at < text.size()) {
        const std::size_t eol = std::min(text.find_first_of("\r\n", at), text.size());
        std::size_t next = eol == text.size() ? eol : eol + 1;
        if (text.substr(eol, 2) == "\r\n") ++next;
        lines.push_back({at, eol, next});
        at = next;
    }
    return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string_view Content(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.contentEnd - line.begin);
}

// The name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionName(std::string_view content) {
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(trimmed.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::size_t valueBegin;  // offset in the line's content where the value's text starts
};

std::optional<KeyLine> ParseKeyLine(std::string_view content) {
    const std::string_view trimmed = Trim(content);
    if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    std::size_t valueBegin = eq + 1;
    while (valueBegin < content.size() && IsBlank(content[valueBegin])) ++valueBegin;
    return KeyLine{Trim(content.substr(0, eq)), valueBegin};
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Where a section's lines lie: [first, last) in `lines`, after its header line.
struct SectionSpan {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

std::optional<SectionSpan> FindSection(std::string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(Content(text, lines[i]));
        if (!name || !SameName(*name, section)) continue;
        std::size_t last = i + 1;
        while (last < lines.size() && !SectionName(Content(text, lines[last]))) ++last;
        return SectionSpan{i, i + 1, last};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(std::string_view text, const std::vector<Line>& lines,
                                   const SectionSpan& span, std::string_view key) {
    for (std::size_t i = span.first; i < span.last; ++i) {
        const auto parsed = ParseKeyLine(Content(text, lines[i]));
        if (parsed && SameName(parsed->key, key)) return i;
    }
    return std::nullopt;
}

std::string_view LineEndingOf(std::string_view text, std::string_view fallback) {
    const std::size_t eol = text.find_first_of("\r\n");
    if (eol == std::string_view::npos) return fallback;
    if (text[eol] == '\n') return "\n";
    return text.substr(eol, 2) == "\r\n" ? "\r\n" : "\r";
}

// `value` as it is written so that the reader gives it back: quoted, when trimming or
// unquoting would change it. The reader takes off one pair of quotes and nothing inside them.
std::string Encoded(std::string_view value) {
    if (Unquoted(Trim(value)) == value) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

}  // namespace

bool Writable(std::string_view value) { return value.find_first_of("\r\n") == std::string_view::npos; }

std::optional<std::string> ReadValue(std::string_view text, std::string_view section, std::string_view key) {
    const auto lines = SplitLines(text);
    const auto span = FindSection(text, lines, section);
    if (!span) return std::nullopt;
    const auto at = FindKey(text, lines, *span, key);
    if (!at) return std::nullopt;
    const std::string_view content = Content(text, lines[*at]);
    const auto parsed = ParseKeyLine(content);
    return std::string(Unquoted(Trim(content.substr(parsed->valueBegin))));
}

std::vector<std::string> ReadKeys(std::string_view text, std::string_view section) {
    const auto lines = SplitLines(text);
    const auto span = FindSection(text, lines, section);
    std::vector<std::string> keys;
    if (!span) return keys;
    for (std::size_t i = span->first; i < span->last; ++i) {
        const auto parsed = ParseKeyLine(Content(text, lines[i]));
        if (parsed && FindKey(text, lines, *span, parsed->key) == i) keys.emplace_back(parsed->key);
    }
    return keys;
}

std::string WriteValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value, std::string_view newline) {
    const std::string_view eol = LineEndingOf(text, newline);
    const std::string encoded = Encoded(value);
    value = encoded;
    const auto lines = SplitLines(text);
    const auto span = FindSection(text, lines, section);
    std::string out;

    if (!span) {
        out = text;
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
        if (!out.empty()) out += eol;
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
        return out;
    }

    if (const auto at = FindKey(text, lines, *span, key)) {
        // Keep the key as written and the blanks around '='; replace only the value.
        const Line& line = lines[*at];
        const auto parsed = ParseKeyLine(Content(text, line));
        out.append(text.substr(0, line.begin + parsed->valueBegin));
        out.append(value);
        out.append(text.substr(line.contentEnd));
        return out;
    }

    // A new key goes after the section's last line that is not blank.
    std::size_t after = span->header;
    for (std::size_t i = span->first; i < span->last; ++i) {
        if (!Trim(Content(text, lines[i])).empty()) after = i;
    }
    const Line& line = lines[after];
    out.append(text.substr(0, line.end));
    if (line.end == line.contentEnd) out.append(eol);  // the last line had no ending
    out.append(key).append("=").append(value).append(eol);
    out.append(text.substr(line.end));
    return out;
}

}  // namespace k5::profile
