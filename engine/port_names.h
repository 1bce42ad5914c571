// Port names: a device path is used as it is; "COMn" (n >= 1) is looked up in
// the settings file's [Devices] section, else means the platform's default
// device for it (Linux: /dev/ttyUSB<n-1>, /dev/ttyACM<n-1> or /dev/ttyS<n-1>,
// the first that exists; Windows: COMn).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "device_names.h"
#include "settings_file.h"

namespace k5 {

using platform::DefaultDeviceForPort;
using platform::DeviceExists;
using platform::PathExists;

// n for "COMn" (any case, n >= 1, no sign or leading blanks); nothing otherwise.
std::optional<int> ComPortNumber(std::string_view name);
// "COMn": the name port number n has in the settings file, the windows and the programs.
std::string ComPortName(int number);
// The port the settings file chooses ([Uart] Port), by its COM name.
std::string SettingsPortName(const SettingsFile& settings);

// The device for `name`, looked up when called (nothing cached). A name that is
// neither a path nor COMn is returned unchanged and will fail to open.
std::string ResolvePortName(const std::string& name, const SettingsFile& settings,
                            const DeviceExists& exists);
std::string ResolvePortName(const std::string& name, const SettingsFile& settings);

}  // namespace k5
