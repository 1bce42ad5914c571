// Facts about this machine for records and reports.
#pragma once

#include <string>

namespace k5::platform {

// The machine's network name ("" when the system does not say).
std::string HostName();

// The system the program runs on, for traces and reports: "linux", "windows".
const char* SystemName();

}  // namespace k5::platform
