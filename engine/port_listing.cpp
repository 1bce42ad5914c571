#include "port_listing.h"

#include <algorithm>
#include <filesystem>

#include "device_names.h"
#include "port_names.h"
#include "text_mark.h"
#include "utf8_path.h"

namespace k5 {
namespace {

std::string RightTrimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

const SerialDeviceInfo* FindDevice(const std::vector<SerialDeviceInfo>& devices, const std::string& device) {
    for (const auto& d : devices) {
        if (d.device == device) return &d;
    }
    return nullptr;
}

std::string DescribePort(const std::string& device, const SerialDeviceInfo* info) {
    if (info != nullptr && !info->vendorId.empty()) {
        std::string ids = info->vendorId + ":" + info->productId;
        const std::string name = RightTrimmed(info->manufacturer + " " + info->product);
        if (name.find_first_not_of(' ') != std::string::npos)
            ids += " " + name.substr(name.find_first_not_of(' '));
        return info->serial.empty() ? FillIn(N_("USB adapter %1"), {ids})
                                    : FillIn(N_("USB adapter %1, serial %2"), {ids, info->serial});
    }
    if (info != nullptr && !info->driver.empty() && platform::DeviceKind(device) == "serial port") {
        return info->driver;  // Windows: the device manager's name for it
    }
    return platform::DeviceKind(device);
}

std::string AdapterOf(const std::string& device, const std::vector<SerialDeviceInfo>& devices) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(PathFromUtf8(device), ec);
    for (const auto& info : devices) {
        const bool same = info.device == device || (!ec && PathFromUtf8(info.device) == real);
        if (!same || info.vendorId.empty()) continue;
        return info.vendorId + ":" + info.productId + (info.serial.empty() ? "" : " " + info.serial);
    }
    return "";
}

std::vector<PortChoice> ListPortChoices(const SettingsFile& settings, const DeviceExists& exists,
                                        const std::vector<SerialDeviceInfo>& devices) {
    std::vector<PortChoice> choices;
    for (int n = 1; n <= 9; ++n) {
        const std::string name = ComPortName(n);
        const std::string device = ResolvePortName(name, settings, exists);
        if (!exists(device)) continue;
        const SerialDeviceInfo* info = FindDevice(devices, device);
        choices.push_back(
            {name, device, DescribePort(device, info), info != nullptr && !info->vendorId.empty()});
    }
    for (const auto& d : devices) {
        const bool listed = std::any_of(choices.begin(), choices.end(),
                                        [&d](const PortChoice& c) { return c.device == d.device; });
        if (!listed) choices.push_back({d.device, d.device, DescribePort(d.device, &d), !d.vendorId.empty()});
    }
    return choices;
}

std::string OnlyUsbAdapter(const std::vector<PortChoice>& present) {
    std::string found;
    for (const auto& choice : present) {
        if (!choice.usb) continue;
        if (!found.empty()) return "";
        found = choice.name;
    }
    return found;
}

std::vector<PortChoice> ListPortChoices(const SettingsFile& settings) {
    return ListPortChoices(settings, PathExists, platform::ListSerialDevices());
}

}  // namespace k5
