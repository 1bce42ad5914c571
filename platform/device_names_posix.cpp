#include <sys/stat.h>

#include <filesystem>

#include "device_names.h"

namespace k5::platform {

bool IsDevicePath(std::string_view name) { return !name.empty() && name.front() == '/'; }

std::string DefaultDeviceForPort(int number, const DeviceExists& exists) {
    const std::string index = std::to_string(number - 1);
    for (const char* family : {"/dev/ttyUSB", "/dev/ttyACM"}) {
        std::string candidate = family + index;
        if (exists(candidate)) return candidate;
    }
    return "/dev/ttyS" + index;
}

std::string DeviceKind(const std::string& device) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);  // a link such as /dev/serial/by-id/...
    const std::string path = ec ? device : real.string();
    const auto startsWith = [&path](const char* prefix) { return path.rfind(prefix, 0) == 0; };
    if (startsWith("/dev/pts/")) return "pseudo-terminal";
    if (startsWith("/dev/ttyUSB") || startsWith("/dev/ttyACM")) return "USB adapter";
    if (startsWith("/dev/ttyS") || startsWith("/dev/ttyAMA")) return "built-in serial port";
    if (startsWith("/dev/rfcomm")) return "Bluetooth serial port";
    return "serial device";
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace k5::platform
