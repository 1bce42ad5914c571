#include <sys/stat.h>

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

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace k5::platform
