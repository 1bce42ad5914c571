// `k5-iap ports`: where COM1 to COM9 lead, and the serial devices present.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "port_names.h"

namespace k5::cli {

struct SerialDeviceInfo {
    std::string device;                                              // /dev/ttyUSB0
    std::string driver;                                              // ftdi_sio
    std::string vendorId, productId, serial, manufacturer, product;  // USB only
};

// The serial devices under `sysClassTty` (normally /sys/class/tty) that sit on
// a real bus; the legacy platform ports (ttyS*) without hardware are left out.
std::vector<SerialDeviceInfo> ListSerialDevices(const std::filesystem::path& sysClassTty);

void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices);

}  // namespace k5::cli
