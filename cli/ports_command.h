// `k5-iap ports`: where COM1 to COM9 lead, and the serial devices present.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "port_names.h"
#include "serial_ports.h"

namespace k5::cli {

using platform::SerialDeviceInfo;

void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices);

}  // namespace k5::cli
