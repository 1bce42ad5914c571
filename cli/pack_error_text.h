// How k5-iap words a pack file that cannot be read.
#pragma once

#include <string>

#include "file_problem_text.h"
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
    return {WithFullStop(error.what()), PackFileDetail(PathFromUtf8(pack))};
}

// A pack the loader rejected: which check failed.
inline PackProblem PackRejectedProblem(const PackStore& store) {
    return {kPackRejected, store.RejectionReason()};
}

}  // namespace k5::cli
