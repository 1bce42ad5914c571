// What the desktop program tells a person about a port: whether it is there,
// what it is, who holds it, and which adapter to choose when it is not there.
// The port dialog's line under the port box and the main window's log line
// after a port that does not open say it in the same words as `k5-iap doctor`.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "port_listing.h"
#include "settings_file.h"

namespace k5::app {

// How the machine is asked (tests give their own answers).
struct PortLookup {
    std::function<bool(const std::string& device)> exists;
    std::function<std::vector<PortChoice>()> present;                            // the ports there now
    std::function<std::vector<std::string>(const std::string& device)> holders;  // programs holding it
};

// This machine's answers.
PortLookup SystemPortLookup(const SettingsFile& settings);

// The line for COM name `name` leading to `device`: "/dev/ttyUSB0: USB adapter 1a86:7523 ...",
// "...; in use by minicom (pid 4242)", or "COM3 is not present (/dev/ttyUSB2); the adapter
// found is COM4".
std::string PortLine(const std::string& name, const std::string& device, const PortLookup& lookup);

// After a port that did not open or went away: the reason, and the adapter to choose instead.
std::string PortAdvice(const std::string& name, const std::string& device, const std::string& reason,
                       const PortLookup& lookup);

}  // namespace k5::app
