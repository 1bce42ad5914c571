// The default error box's rules: how an error that escapes an event handler
// is worded and titled. Shared by both desktop programs.
#pragma once

#include <exception>
#include <string>

namespace k5::app {

// The executable's file name without its folder, cut at its first ".", with
// every character after the first in lower case (ASCII letters).
std::string ApplicationTitleFor(const std::string& executablePath);

// The error's message for a person, in UTF-8: the serial component's GBK
// messages converted, and a full stop added when the message ends in a
// character above "."; a refused settings write says why in a second paragraph.
std::string ErrorBoxTextFor(const std::exception& error);

}  // namespace k5::app
