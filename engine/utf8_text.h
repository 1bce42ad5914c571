// Well-formed UTF-8: what a JSON or CSV writer may put out as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace k5 {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0.
std::size_t Utf8SequenceLength(std::string_view text);

// `text` with each byte that is not part of well-formed UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace k5
