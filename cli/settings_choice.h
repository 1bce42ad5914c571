// The settings file a command uses: --settings when given, else the programs' own.
#pragma once

#include <filesystem>
#include <string>

#include "settings_file.h"

namespace k5::cli {

inline SettingsFile ChosenSettings(const std::string& option) {
    return SettingsFile(option.empty() ? DefaultSettingsPath() : std::filesystem::path(option));
}

}  // namespace k5::cli
