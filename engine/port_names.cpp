#include "port_names.h"

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

std::string ComPortName(int number) { return "COM" + std::to_string(number); }

std::string SettingsPortName(const SettingsFile& settings) { return ComPortName(settings.GetUartPort()); }

std::string ResolvePortName(const std::string& name, const SettingsFile& settings,
                            const DeviceExists& exists) {
    if (platform::IsDevicePath(name)) return name;
    auto number = ComPortNumber(name);
    if (!number) return name;
    if (auto mapped = settings.GetMappedDevice(ComPortName(*number))) return *mapped;
    return platform::DefaultDeviceForPort(*number, exists);
}

std::string ResolvePortName(const std::string& name, const SettingsFile& settings) {
    return ResolvePortName(name, settings, platform::PathExists);
}

}  // namespace k5
