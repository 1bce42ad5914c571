// Where the programs keep their settings file.
#pragma once

#include <filesystem>

namespace k5::platform {

// The running executable's full path; empty when the system cannot say.
std::filesystem::path ExecutablePath();
// The folder of the running executable (the current folder when unknown).
std::filesystem::path ExecutableDirectory();
// The per-user configuration folder ($XDG_CONFIG_HOME or ~/.config; %APPDATA%); empty when unknown.
std::filesystem::path UserConfigDirectory();
// Whether a new file could be made in `folder`.
bool FolderWritable(const std::filesystem::path& folder);

}  // namespace k5::platform
