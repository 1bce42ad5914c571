// Loading the pack a command is to program, the same for `program` and `station`.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "p_HexConvertFun.h"

namespace k5::cli {

// Loads `file` into `pack`. A pack that cannot be programmed (unreadable,
// rejected, or for another product without `anyProduct`) is said on `err` and,
// with `json`, as the result line on `out`; its exit code is returned then.
std::optional<int> LoadPackToProgram(PackStore& pack, const std::string& file, bool anyProduct, bool json,
                                     std::ostream& out, std::ostream& err);

}  // namespace k5::cli
