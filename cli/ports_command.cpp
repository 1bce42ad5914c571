#include "ports_command.h"

#include <iomanip>
#include <ostream>

#include "utf8_path.h"

namespace k5::cli {
void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices) {
    out << "Port  Device                    State    (settings: " << Utf8FromPath(settings.Path()) << ")\n";
    for (int n = 1; n <= 9; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const std::string device = ResolvePortName(name, settings, exists);
        const bool mapped = settings.ReadString("Devices", name).has_value();
        out << std::left << std::setw(6) << name << std::setw(26) << device
            << (exists(device) ? "present" : "missing") << (mapped ? "  [Devices]" : "") << "\n";
    }
    out << "\nSerial devices:\n";
    if (devices.empty()) out << "  none found\n";
    for (const auto& d : devices) {
        out << "  " << std::left << std::setw(16) << d.device << std::setw(12)
            << (d.driver.empty() ? "-" : d.driver);
        if (!d.vendorId.empty()) {
            out << "USB " << d.vendorId << ":" << d.productId;
            if (!d.serial.empty()) out << "  serial " << d.serial;
            if (!d.manufacturer.empty() || !d.product.empty())
                out << "  " << d.manufacturer << " " << d.product;
        }
        out << "\n";
    }
}

}  // namespace k5::cli
