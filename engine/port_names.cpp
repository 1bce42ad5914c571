#include "port_names.h"

#include <sys/stat.h>

#include <charconv>

namespace k5 {

std::optional<int> ComPortNumber(std::string_view name) {
    if (name.size() < 4) return std::nullopt;
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return std::nullopt;
    auto digits = name.substr(3);
    if (digits[0] < '0' || digits[0] > '9') return std::nullopt;
    int number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size() || number < 1) return std::nullopt;
    return number;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string DefaultDeviceForPort(int number, const DeviceExists& exists) {
    const std::string index = std::to_string(number - 1);
    for (const char* family : {"/dev/ttyUSB", "/dev/ttyACM"}) {
        std::string candidate = family + index;
        if (exists(candidate)) return candidate;
    }
    return "/dev/ttyS" + index;
}

std::string ResolvePortName(const std::string& name, const SettingsFile& settings,
                            const DeviceExists& exists) {
    if (!name.empty() && name.front() == '/') return name;
    auto number = ComPortNumber(name);
    if (!number) return name;
    if (auto mapped = settings.ReadString("Devices", "COM" + std::to_string(*number));
        mapped && !mapped->empty()) {
        return *mapped;
    }
    return DefaultDeviceForPort(*number, exists);
}

std::string ResolvePortName(const std::string& name, const SettingsFile& settings) {
    return ResolvePortName(name, settings, PathExists);
}

}  // namespace k5
