// How the front ends finish a message for a person.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace k5 {

// Appends "." when the message is not empty and its last character's code is
// above that of "." (so after letters, digits and "?", not after ". ! ) " or a blank).
inline std::string WithFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    return message;
}

// `text` with %1, %2, ... replaced by the values in turn: the form a translated
// sentence keeps, whatever order its language puts them in.
inline std::string FillIn(std::string_view text, std::initializer_list<std::string_view> values) {
    std::string filled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t n =
            i + 1 < text.size() ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && n < values.size() && n < 9) {
            filled += *(values.begin() + n);
            ++i;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

}  // namespace k5
