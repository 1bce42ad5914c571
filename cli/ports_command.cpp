#include "ports_command.h"

#include <iomanip>
#include <ostream>

#include "port_listing.h"
#include "port_names.h"
#include "utf8_path.h"

namespace k5::cli {
namespace {

std::string RightTrimmed(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

std::string Padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

}  // namespace

void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices) {
    const int selected = settings.GetUartPort();
    out << "Settings: " << Utf8FromPath(settings.Path()) << " (Port=" << selected << " selects COM"
        << selected << ")\n\n";
    out << "Port    Device                    What it is\n";
    for (int n = 1; n <= 9; ++n) {
        const std::string name = ComPortName(n);
        const std::string device = ResolvePortName(name, settings, exists);
        const bool mapped = settings.GetMappedDevice(name).has_value();
        const std::string what =
            exists(device) ? DescribePort(device, FindDevice(devices, device)) : "missing";
        out << RightTrimmed(Padded(name + (n == selected ? " *" : ""), 8) + Padded(device, 26) + what +
                            (mapped ? "  (from [Devices])" : ""))
            << "\n";
    }
    out << "* the port a session uses; [Devices] COMn=DEVICE in the settings file maps a name to a device\n";
    out << "\nSerial ports present:\n";
    if (devices.empty()) out << "  none found\n";
    for (const auto& d : devices) {
        std::string line = "  " + Padded(d.device, 16) + DescribePort(d.device, &d);
        if (!d.vendorId.empty() && !d.driver.empty()) line += " (driver " + d.driver + ")";
        out << RightTrimmed(line) << "\n";
    }
}

}  // namespace k5::cli
