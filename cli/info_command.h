// `k5-iap info`: loads a pack as the desktop program does and shows its header.
#pragma once

#include <iosfwd>
#include <string>

namespace k5 {
class PackStore;
}

namespace k5::cli {

struct InfoOptions {
    std::string pack;
    bool json = false;
};

// Loads into `store` and reports on `out` (the pack) and `err` (what went wrong).
int RunInfo(const InfoOptions& options, PackStore& store, std::ostream& out, std::ostream& err);

}  // namespace k5::cli
