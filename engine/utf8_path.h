// File names are UTF-8 inside the program. std::filesystem converts a plain
// std::string with the ANSI code page on Windows, so every conversion between
// text and paths goes through these two.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace k5 {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace k5
