// Reads and edits text in the initialisation-file format as the Windows
// profile functions do: "[Section]" lines, then "key=value" lines.
//
// - Section and key names match without regard to (ASCII) case.
// - The first occurrence of a section, and of a key in it, wins.
// - Names and values are read with surrounding blanks trimmed; a value in
//   matching double or single quotes is read without them.
// - Lines that are neither (comments, lines without '=') are kept but mean nothing.
// - A line ends at LF, CR LF, or a lone CR.
//
// An edit changes only the line of its key, or adds the key at the end of its
// section, or the section at the end of the text; every other byte stays.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k5::profile {

std::optional<std::string> ReadValue(std::string_view text, std::string_view section, std::string_view key);

// The keys of `section` as written, in file order (a key written twice, once).
std::vector<std::string> ReadKeys(std::string_view text, std::string_view section);

// Whether `value` can be written at all: a line break would end its line early, and the
// rest would be read as lines of their own.
bool Writable(std::string_view value);

// `value` (Writable) goes in quotes where it would not read back as it is without: when it
// has blanks at either end, or starts and ends with the same quote.
// `newline` ends the lines it adds when the text has no line ending of its own to copy.
std::string WriteValue(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value, std::string_view newline);

}  // namespace k5::profile
