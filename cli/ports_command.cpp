#include "ports_command.h"

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <ostream>

namespace k5::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string LinkName(const fs::path& link) {
    std::error_code ec;
    auto target = fs::read_symlink(link, ec);
    return ec ? "" : target.filename().string();
}

}  // namespace

std::vector<SerialDeviceInfo> ListSerialDevices(const fs::path& sysClassTty) {
    std::vector<SerialDeviceInfo> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysClassTty, ec)) {
        const fs::path deviceLink = entry.path() / "device";
        if (!fs::exists(deviceLink, ec)) continue;  // virtual terminals and pseudo-terminals
        if (LinkName(deviceLink / "subsystem") == "platform") continue;
        SerialDeviceInfo info;
        info.device = "/dev/" + entry.path().filename().string();
        info.driver = LinkName(deviceLink / "driver");
        // Walk up to the USB device, which carries the ids.
        for (fs::path p = fs::canonical(deviceLink, ec); !ec && p.has_relative_path(); p = p.parent_path()) {
            if (fs::exists(p / "idVendor", ec)) {
                info.vendorId = ReadLine(p / "idVendor");
                info.productId = ReadLine(p / "idProduct");
                info.serial = ReadLine(p / "serial");
                info.manufacturer = ReadLine(p / "manufacturer");
                info.product = ReadLine(p / "product");
                break;
            }
        }
        found.push_back(std::move(info));
    }
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.device < b.device; });
    return found;
}

void PrintPorts(std::ostream& out, const SettingsFile& settings, const DeviceExists& exists,
                const std::vector<SerialDeviceInfo>& devices) {
    out << "Port  Device                    State    (settings: " << settings.Path().string() << ")\n";
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
