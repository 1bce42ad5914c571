#include "device_names.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

bool IsDevicePath(std::string_view name) { return name.rfind("\\\\", 0) == 0; }

std::string DefaultDeviceForPort(int number, const DeviceExists&) { return "COM" + std::to_string(number); }

std::string DeviceKind(const std::string&) { return "serial port"; }

bool PathExists(const std::string& path) {
    // A COM port is a DOS device name, not a file.
    if (!IsDevicePath(path) && path.find_first_of("\\/:") == std::string::npos) {
        wchar_t target[512];
        return ::QueryDosDeviceW(Widen(path).c_str(), target, 512) != 0;
    }
    return ::GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The FTDI driver keeps it in the registry per device (LatencyTimer); the port
// name alone does not lead there.
std::optional<int> AdapterLatencyTimerMs(const std::string&, const std::string&) { return std::nullopt; }

}  // namespace k5::platform
