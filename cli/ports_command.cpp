#include "ports_command.h"

#include <iomanip>
#include <ostream>

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

const SerialDeviceInfo* Find(const std::vector<SerialDeviceInfo>& devices, const std::string& device) {
    for (const auto& d : devices) {
        if (d.device == device) return &d;
    }
    return nullptr;
}

// "USB adapter 0403:6001 FTDI FT232R USB UART, serial A50285BI", or the kind the name tells.
std::string Describe(const std::string& device, const SerialDeviceInfo* info) {
    if (info != nullptr && !info->vendorId.empty()) {
        std::string text = "USB adapter " + info->vendorId + ":" + info->productId;
        const std::string name = RightTrimmed(info->manufacturer + " " + info->product);
        if (name.find_first_not_of(' ') != std::string::npos)
            text += " " + name.substr(name.find_first_not_of(' '));
        if (!info->serial.empty()) text += ", serial " + info->serial;
        return text;
    }
    if (info != nullptr && !info->driver.empty() && platform::DeviceKind(device) == "serial port") {
        return info->driver;  // Windows: the device manager's name for it
    }
    return platform::DeviceKind(device);
}

}  // namespace

void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices) {
    const int selected = settings.GetUartPort();
    out << "Settings: " << Utf8FromPath(settings.Path()) << " (Port=" << selected << " selects COM"
        << selected << ")\n\n";
    out << "Port    Device                    What it is\n";
    for (int n = 1; n <= 9; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const std::string device = ResolvePortName(name, settings, exists);
        const auto mapping = settings.ReadString("Devices", name);
        const bool mapped = mapping && !mapping->empty();  // an empty one is not used
        const std::string what = exists(device) ? Describe(device, Find(devices, device)) : "missing";
        out << RightTrimmed(Padded(name + (n == selected ? " *" : ""), 8) + Padded(device, 26) + what +
                            (mapped ? "  (from [Devices])" : ""))
            << "\n";
    }
    out << "* the port a session uses; [Devices] COMn=DEVICE in the settings file maps a name to a device\n";
    out << "\nSerial ports present:\n";
    if (devices.empty()) out << "  none found\n";
    for (const auto& d : devices) {
        std::string line = "  " + Padded(d.device, 16) + Describe(d.device, &d);
        if (!d.vendorId.empty() && !d.driver.empty()) line += " (driver " + d.driver + ")";
        out << RightTrimmed(line) << "\n";
    }
}

}  // namespace k5::cli
