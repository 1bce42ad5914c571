// A log line too wide for the log list becomes several entries, broken between
// words, so that no line hides behind a horizontal scroll bar. The views
// measure; the rule is the same in both.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace k5::app {

// `text` in pieces that each `fits` (as the view measures them), broken at blanks; a word wider
// than the whole width stands alone. Continued pieces start with two blanks, so that they read as
// one line's continuation. A text that fits comes back as it is.
std::vector<std::string> BreakLogLine(const std::string& text,
                                      const std::function<bool(const std::string&)>& fits);

}  // namespace k5::app
