// The settings file a command uses: --settings when given, else the programs' own.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "settings_file.h"
#include "utf8_path.h"

namespace k5::cli {

inline SettingsFile ChosenSettings(const std::string& option) {
    return SettingsFile(option.empty() ? DefaultSettingsPath() : PathFromUtf8(option));
}

// Says on `err` when the settings' port is not a number, which the session reads as COM1.
inline void WarnAboutUnusablePort(const SettingsFile& settings, std::ostream& err) {
    if (auto text = settings.UnusablePortValue()) {
        err << "Port value '" << *text << "' in " << Utf8FromPath(settings.Path())
            << " is not a number: using COM" << settings.GetUartPort() << "\n";
    }
}

}  // namespace k5::cli
