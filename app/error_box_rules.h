// The default error box's rules: how an error that escapes an event handler
// is worded and titled. Shared by both desktop programs.
#pragma once

#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "translation.h"
#include "window_texts.h"

namespace k5::app {

// The serial component's messages as the default error box shows them, converted from GBK,
// for the translation catalogue: each is translated as it is shown.
const std::vector<std::string_view>& SerialMessageTexts();

// The executable's file name without its folder, cut at its first ".", with
// every character after the first in lower case (ASCII letters).
std::string ApplicationTitleFor(const std::string& executablePath);

// The error's message for a person, in UTF-8 and in the windows' language: the serial
// component's GBK messages converted, and a full stop added when the message ends in a
// character above "."; a refused settings write says why in a second paragraph.
std::string ErrorBoxTextFor(const std::exception& error);

// Runs a window's event handler so that nothing escapes it: the text of what
// does (an exception's, or "Unknown error." for anything else) goes to
// `showErrorBox`, and the program goes on. Both views call their handlers so.
template <typename Handler, typename ShowErrorBox>
void RunHandlerGuarded(Handler&& handler, ShowErrorBox&& showErrorBox) {
    try {
        handler();
    } catch (const std::exception& error) {
        showErrorBox(ErrorBoxTextFor(error));
    } catch (...) {
        showErrorBox(std::string(Tr(text::kUnknownError)));
    }
}

}  // namespace k5::app
