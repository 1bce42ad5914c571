// How k5-iap words a pack file that cannot be read.
#pragma once

#include <filesystem>
#include <string>

#include "file_problem_text.h"
#include "message_text.h"
#include "p_HexConvertFun.h"
#include "pack_file.h"
#include "utf8_path.h"

namespace k5::cli {

inline constexpr const char* kPackRejected = kPackBrokenText;
inline constexpr const char* kForeignProduct = kForeignPackText;

// Why a pack cannot be programmed: the loader's own text (exact, so that a
// program may match it) and, where that alone does not say, why.
struct PackProblem {
    std::string error;
    std::string detail;
    bool detailSaysAll = false;  // a person is told the detail alone

    std::string Joined() const {
        if (detailSaysAll) return detail;
        return detail.empty() ? error : error + " (" + detail + ")";
    }
};

// A pack file that cannot be read: the loader's text with its full stop; a file
// shorter than a pack, in words that say what to do.
inline PackProblem PackReadProblem(const std::string& pack, const EInOutError& error) {
    const std::filesystem::path path = PathFromUtf8(pack);
    if (error.Code() == platform::kReadBeyondEnd) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        return {WithFullStop(error.what()),
                "not a complete update pack (" +
                    (ec ? std::string("shorter") : std::to_string(size) + " bytes") +
                    "; a pack has at least " + std::to_string(kPackRecordSize) + "): download it again",
                true};
    }
    return {WithFullStop(error.what()), PackFileDetail(path)};
}

// A pack the loader rejected: which check failed.
inline PackProblem PackRejectedProblem(const PackStore& store) {
    return {kPackRejected, store.RejectionReason()};
}

}  // namespace k5::cli
