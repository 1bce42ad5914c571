// A controller's label, typed or scanned (a barcode scanner types it and then
// Enter): the text that ties an update's record to one controller.
#pragma once

#include <cstddef>
#include <string>

namespace k5 {

// The most characters a label may have.
inline constexpr std::size_t kLargestLabel = 64;

// Why `label` cannot be a label, in a sentence; empty when it can. A label is
// printable UTF-8 text of 1 to 64 characters (blanks inside it are kept).
std::string StationLabelProblem(const std::string& label);

// The text typed or scanned without the blanks around it (some scanners pad).
std::string TrimmedLabel(const std::string& text);

}  // namespace k5
