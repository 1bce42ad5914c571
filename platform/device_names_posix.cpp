#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <fstream>

#include "device_names.h"
#include "text_mark.h"

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

namespace {

// A terminal that can be a serial line, judged without opening it (an open
// may toggle a real port's modem lines).
bool IsSerialLine(const struct stat& info) {
    if (!S_ISCHR(info.st_mode)) return false;
    const unsigned kind = major(info.st_rdev), unit = minor(info.st_rdev);
    if (kind == 1) return false;               // memory devices: /dev/null, /dev/zero, ...
    if (kind == 5 && unit <= 2) return false;  // /dev/tty, /dev/console, /dev/ptmx
    const std::string subsystem =
        "/sys/dev/char/" + std::to_string(kind) + ":" + std::to_string(unit) + "/subsystem";
    std::error_code ec;
    const auto target = std::filesystem::read_symlink(subsystem, ec);
    return ec || target.filename() == "tty";  // without sysfs to ask, any other character device may be
}

}  // namespace

std::string DeviceKind(const std::string& device) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);  // a link such as /dev/serial/by-id/...
    const std::string path = ec ? device : real.string();
    const auto startsWith = [&path](const char* prefix) { return path.rfind(prefix, 0) == 0; };
    if (startsWith("/dev/pts/")) return N_("pseudo-terminal");
    if (startsWith("/dev/ttyUSB") || startsWith("/dev/ttyACM")) return N_("USB adapter");
    if (startsWith("/dev/ttyS") || startsWith("/dev/ttyAMA")) return N_("built-in serial port");
    if (startsWith("/dev/rfcomm")) return N_("Bluetooth serial port");
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return N_("serial device");
    if (S_ISDIR(info.st_mode)) return N_("a folder, not a serial device");
    if (S_ISREG(info.st_mode)) return N_("a file, not a serial device");
    return IsSerialLine(info) ? N_("serial device") : N_("not a serial device");
}

std::optional<int> AdapterLatencyTimerMs(const std::string& device, const std::string& sysfs) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(device, ec);
    const std::string name = (ec ? std::filesystem::path(device) : real).filename().string();
    if (name.empty()) return std::nullopt;
    std::ifstream timer(std::filesystem::path(sysfs) / "class" / "tty" / name / "device" / "latency_timer");
    int ms = 0;
    if (!(timer >> ms) || ms < 0) return std::nullopt;
    return ms;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string DeviceForBareName(const std::string& name) {
    if (name.empty() || IsDevicePath(name) || name.rfind("./", 0) == 0 || name.rfind("../", 0) == 0)
        return "";
    const std::string device = "/dev/" + name;
    return PathExists(device) ? device : "";
}

std::vector<int> PresentComPortsAbove9() { return {}; }

}  // namespace k5::platform
