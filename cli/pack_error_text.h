// How k5-iap words a pack file that cannot be read.
#pragma once

#include <filesystem>
#include <string>

#include "message_text.h"
#include "p_HexConvertFun.h"
#include "utf8_path.h"

namespace k5::cli {

inline constexpr const char* kPackRejected = "Pack file was briken";
inline constexpr const char* kForeignProduct = "Pack Eror";

// The loader's text with its full stop, and why, where the text alone does not say.
inline std::string PackReadErrorText(const std::string& pack, const EInOutError& error) {
    std::string text = WithFullStop(error.what());
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(pack), ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        text +=
            std::filesystem::is_directory(status) ? " (a folder, not a pack file)" : " (not a regular file)";
    }
    return text;
}

}  // namespace k5::cli
