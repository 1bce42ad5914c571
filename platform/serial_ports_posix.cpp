#include <algorithm>
#include <filesystem>
#include <fstream>

#include "serial_ports.h"
#include "serial_ports_posix.h"

namespace k5::platform {
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

std::vector<SerialDeviceInfo> ListSerialDevicesUnder(const std::filesystem::path& sysClassTty) {
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

std::vector<SerialDeviceInfo> ListSerialDevices() { return ListSerialDevicesUnder("/sys/class/tty"); }

}  // namespace k5::platform
