// How the front ends finish a message for a person.
#pragma once

#include <string>
#include <string_view>

#include "text_mark.h"

namespace k5 {

// Appends "." when the message is not empty and its last character's code is
// above that of "." (so after letters, digits and "?", not after ". ! ) " or a blank).
inline std::string WithFullStop(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    return message;
}

}  // namespace k5
