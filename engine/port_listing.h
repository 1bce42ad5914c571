// The serial ports a person can choose from, each with what it is: the same
// words in `k5-iap ports`, the station's lines and the station window.
#pragma once

#include <string>
#include <vector>

#include "port_names.h"
#include "serial_ports.h"

namespace k5 {

using platform::SerialDeviceInfo;

// The present device called `device`, or null.
const SerialDeviceInfo* FindDevice(const std::vector<SerialDeviceInfo>& devices, const std::string& device);

// "USB adapter 0403:6001 FTDI FT232R USB UART, serial A50285BI", or the kind the name tells.
std::string DescribePort(const std::string& device, const SerialDeviceInfo* info);

// The USB adapter behind `device`, where the system knows it: "0403:6001 FT5XYZ".
std::string AdapterOf(const std::string& device, const std::vector<SerialDeviceInfo>& devices);

struct PortChoice {
    std::string name;         // "COM3", or the device where no COM name leads to it
    std::string device;       // where it leads
    std::string description;  // DescribePort's words
    bool usb = false;         // a USB adapter
};

// The one USB adapter among `present`, by the name a person chooses it by; empty
// when there is none, or more than one.
std::string OnlyUsbAdapter(const std::vector<PortChoice>& present);

// COM1 to COM9 where their device is there, then the present devices none of them leads to.
std::vector<PortChoice> ListPortChoices(const SettingsFile& settings, const DeviceExists& exists,
                                        const std::vector<SerialDeviceInfo>& devices);

// The same for this machine: its devices as they are now.
std::vector<PortChoice> ListPortChoices(const SettingsFile& settings);

}  // namespace k5
