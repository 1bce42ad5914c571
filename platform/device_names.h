// What a port name means on this platform.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k5::platform {

using DeviceExists = std::function<bool(const std::string& path)>;

// A name that already is a device (Linux: starts with '/'; Windows: "\\.\..."),
// used as it is.
bool IsDevicePath(std::string_view name);

// Where COMn leads when the settings file does not map it. Linux:
// /dev/ttyUSB<n-1>, else /dev/ttyACM<n-1> if they exist, else /dev/ttyS<n-1>.
// Windows: COMn itself.
std::string DefaultDeviceForPort(int number, const DeviceExists& exists);

bool PathExists(const std::string& path);

// The device a bare name such as "ttyUSB0" (no path, no COM name) likely means:
// /dev/ttyUSB0 where that exists (Linux). Empty otherwise, and on Windows, where
// bare names are the ports' own.
std::string DeviceForBareName(const std::string& name);

// The numbers of the COM ports present above COM9 (Windows, from the system's
// DOS device names); none on Linux, whose COM names are the settings file's.
std::vector<int> PresentComPortsAbove9();

// What kind of port a device is, in a few words, from its name and, for a
// name that tells nothing, what the file is: "built-in serial port", "USB
// adapter", "pseudo-terminal", "serial device", "not a serial device" (Linux;
// only terminals are serial devices); "serial port" (Windows, where the port
// list says more).
std::string DeviceKind(const std::string& device);

// A USB adapter's latency timer in milliseconds: how long it holds back a
// short reply (FTDI: 16 by default). Linux reads it from sysfs
// (<sysfs>/class/tty/<name>/device/latency_timer); nothing where the system
// does not show it (other adapters, pseudo-terminals, Windows).
std::optional<int> AdapterLatencyTimerMs(const std::string& device, const std::string& sysfs = "/sys");

}  // namespace k5::platform
