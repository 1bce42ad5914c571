// `k5-iap program`: runs the desktop program's session from the command line.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "transfer_mode.h"

namespace k5::cli {

struct ProgramOptions {
    std::string pack;
    std::string port;      // instead of COM<Port> from the settings file
    std::string settings;  // instead of the default settings file
    bool json = false;
    bool anyProduct = false;
    std::optional<bool> fast;       // instead of FastTransfer of the settings file
    std::optional<int> ackGuardMs;  // instead of AckGuard of the settings file
    std::string speed;              // "auto", "38400", "57600", "115200"; empty: the settings' speed
    std::string trace;              // write the session's wire trace here
    bool traceData = false;         // with the image's bytes, not only each chunk's index
};

// Applies a --speed value ("auto" or a baud rate the protocol has) to `mode`.
void ApplySpeedOption(const std::string& speed, TransferMode& mode);
// What --speed takes ("auto", "38400", ...) and says of itself, from the session's speeds.
std::vector<std::string> SpeedOptionValues();
std::string SpeedOptionHelp();

// "k5-iap 1.4.0 linux": the program, its version and system, as traces name them.
std::string ToolDescription(const std::string& program);

int RunProgram(const ProgramOptions& options, std::ostream& out, std::ostream& err, bool interactive);

}  // namespace k5::cli
