// How k5-iap words a port that does not open, the same in every command.
#pragma once

#include <filesystem>
#include <string>

#include "device_names.h"
#include "message_text.h"
#include "port_error.h"
#include "port_survey.h"
#include "translation.h"
#include "utf8_path.h"

namespace k5 {

// What went wrong with `device` and, where there is one, what to do about it.
inline std::string PortProblemText(int osError, const std::string& device) {
    // Windows refuses a folder with "access denied", which otherwise means a port in use.
    std::error_code ec;
    if (std::filesystem::is_directory(PathFromUtf8(device), ec)) return N_("a folder, not a serial port");
    switch (platform::KindOfPortError(osError)) {
        case platform::PortErrorKind::Missing:
            // "ttyUSB0" for /dev/ttyUSB0: the name was taken for a file in the current folder.
            if (const std::string meant = platform::DeviceForBareName(device); !meant.empty())
                return FillIn(N_("no such device: did you mean %1?"), {meant});
            return N_("no such device: is the adapter plugged in? `k5-iap ports` lists what is there");
        case platform::PortErrorKind::NoPermission:
            return FillIn(N_("permission denied: %1"), {platform::PermissionAdvice(device)});
        case platform::PortErrorKind::InUse: {
            std::string holders;
            for (const auto& holder : platform::FindPortHolders(device))
                holders += (holders.empty() ? "" : ", ") + holder.command + " (pid " +
                           std::to_string(holder.pid) + ")";
            if (!holders.empty()) return FillIn(N_("in use by another program: close %1 first"), {holders});
            return FillIn(N_("in use by another program: close it (%1)"), {platform::InUseAdvice(device)});
        }
        case platform::PortErrorKind::NotASerialPort:
            return N_("not a serial port");
        default:
            return platform::OsErrorText(osError);
    }
}

// A line that hung up during a session: the cable was pulled, or the adapter went away.
inline std::string PortHungUpText(const std::string& device) {
    return FillIn(N_("%1 hung up: is the cable still plugged in?"), {device});
}

}  // namespace k5
