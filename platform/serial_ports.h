// The serial ports present on this machine.
#pragma once

#include <string>
#include <vector>

namespace k5::platform {

struct SerialDeviceInfo {
    std::string device;                                              // /dev/ttyUSB0, COM3
    std::string driver;                                              // ftdi_sio; Windows: the friendly name
    std::string vendorId, productId, serial, manufacturer, product;  // USB only
    std::string driverProvider, driverVersion, driverDate;           // Windows: the installed driver
};

// Sorted by device. Linux: the ttys under /sys/class/tty that sit on a real
// bus (the legacy ttyS* without hardware are left out). Windows: the ports
// class of the device manager.
std::vector<SerialDeviceInfo> ListSerialDevices();

}  // namespace k5::platform
