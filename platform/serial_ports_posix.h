// The Linux listing, from a sysfs tree that tests can lay out themselves.
#pragma once

#include <filesystem>
#include <vector>

#include "serial_ports.h"

namespace k5::platform {

// The serial devices under `sysClassTty` (normally /sys/class/tty).
std::vector<SerialDeviceInfo> ListSerialDevicesUnder(const std::filesystem::path& sysClassTty);

}  // namespace k5::platform
