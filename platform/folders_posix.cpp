#include <unistd.h>

#include <cstdlib>

#include "folders.h"

namespace k5::platform {

std::filesystem::path ExecutablePath() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe;
}

std::filesystem::path ExecutableDirectory() {
    const auto exe = ExecutablePath();
    std::error_code ec;
    return exe.empty() ? std::filesystem::current_path(ec) : exe.parent_path();
}

std::filesystem::path UserConfigDirectory() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') return xdg;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config";
    }
    return {};
}

bool FolderWritable(const std::filesystem::path& folder) { return ::access(folder.c_str(), W_OK) == 0; }

}  // namespace k5::platform
