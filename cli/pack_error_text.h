// How k5-iap words a pack file that cannot be read.
#pragma once

#include <filesystem>
#include <string>

#include "message_text.h"
#include "p_HexConvertFun.h"
#include "utf8_path.h"

namespace k5::cli {

inline constexpr const char* kPackRejected = kPackBrokenText;
inline constexpr const char* kForeignProduct = kForeignPackText;

// Why a pack cannot be programmed: the loader's own text (exact, so that a
// program may match it) and, where that alone does not say, why.
struct PackProblem {
    std::string error;
    std::string detail;

    std::string Joined() const { return detail.empty() ? error : error + " (" + detail + ")"; }
};

// A pack file that cannot be read: the loader's text with its full stop.
inline PackProblem PackReadProblem(const std::string& pack, const EInOutError& error) {
    PackProblem problem{WithFullStop(error.what()), {}};
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(pack), ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        problem.detail =
            std::filesystem::is_directory(status) ? "a folder, not a pack file" : "not a regular file";
    }
    return problem;
}

// A pack the loader rejected: which check failed.
inline PackProblem PackRejectedProblem(const PackStore& store) {
    return {kPackRejected, store.RejectionReason()};
}

}  // namespace k5::cli
