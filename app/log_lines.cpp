#include "log_lines.h"

namespace k5::app {

namespace {
constexpr const char* kContinued = "  ";
}

std::vector<std::string> BreakLogLine(const std::string& text,
                                      const std::function<bool(const std::string&)>& fits) {
    if (fits(text)) return {text};
    std::vector<std::string> pieces;
    std::string piece;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t blank = text.find(' ', at);
        const std::size_t end = blank == std::string::npos ? text.size() : blank;
        const std::string word = text.substr(at, end - at);
        at = end + (blank == std::string::npos ? 0 : 1);
        if (word.empty()) continue;
        const std::string longer =
            piece.empty() ? (pieces.empty() ? "" : kContinued) + word : piece + " " + word;
        if (piece.empty() || fits(longer)) {
            piece = longer;
        } else {
            pieces.push_back(piece);
            piece = kContinued + word;
        }
    }
    if (!piece.empty()) pieces.push_back(piece);
    if (pieces.empty()) pieces.push_back(text);  // blanks only: shown as they are
    return pieces;
}

}  // namespace k5::app
