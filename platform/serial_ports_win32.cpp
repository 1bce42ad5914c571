#include <algorithm>

#include "serial_ports.h"
#include "win32_api.h"
#include "win32_text.h"

// After windows.h: the device manager's class and property keys.
#include <devguid.h>
#include <initguid.h>
#include <setupapi.h>

namespace k5::platform {
namespace {

std::wstring RegistryProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - sizeof(wchar_t), nullptr)) {
        return {};
    }
    return buffer;
}

std::wstring PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - sizeof(wchar_t);
    DWORD type = 0;
    const bool ok = ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                                       &size) == ERROR_SUCCESS &&
                    type == REG_SZ;
    ::RegCloseKey(key);
    return ok ? name : L"";
}

// A string value of the device's driver key: "ProviderName", "DriverVersion", "DriverDate".
std::wstring DriverValue(HDEVINFO set, SP_DEVINFO_DATA& device, const wchar_t* name) {
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t value[256] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    const bool ok = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                        ERROR_SUCCESS &&
                    type == REG_SZ;
    ::RegCloseKey(key);
    return ok ? value : L"";
}

// "USB\VID_0403&PID_6001\A50285BI": the ids, and the serial number a USB device reports.
void ReadUsbIds(const std::wstring& instanceId, SerialDeviceInfo& info) {
    if (instanceId.rfind(L"USB\\", 0) != 0 && instanceId.rfind(L"FTDIBUS\\", 0) != 0) return;
    const auto vid = instanceId.find(L"VID_");
    const auto pid = instanceId.find(L"PID_");
    if (vid == std::wstring::npos || pid == std::wstring::npos) return;
    info.vendorId = Narrow(instanceId.substr(vid + 4, 4));
    info.productId = Narrow(instanceId.substr(pid + 4, 4));
    const auto last = instanceId.rfind(L'\\');
    const std::wstring tail = instanceId.substr(last + 1);
    if (tail.find(L'&') == std::wstring::npos) info.serial = Narrow(tail);  // '&' marks a generated id
}

}  // namespace

std::vector<SerialDeviceInfo> ListSerialDevices() {
    std::vector<SerialDeviceInfo> found;
    const HDEVINFO set = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return found;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        const std::wstring port = PortName(set, device);
        if (port.rfind(L"COM", 0) != 0) continue;  // printer ports share the class
        SerialDeviceInfo info;
        info.device = Narrow(port);
        info.driver = Narrow(RegistryProperty(set, device, SPDRP_FRIENDLYNAME));
        info.manufacturer = Narrow(RegistryProperty(set, device, SPDRP_MFG));
        wchar_t instance[512] = {};
        if (::SetupDiGetDeviceInstanceIdW(set, &device, instance, 511, nullptr)) ReadUsbIds(instance, info);
        if (info.vendorId.empty()) info.manufacturer.clear();
        info.driverProvider = Narrow(DriverValue(set, device, L"ProviderName"));
        info.driverVersion = Narrow(DriverValue(set, device, L"DriverVersion"));
        info.driverDate = Narrow(DriverValue(set, device, L"DriverDate"));
        found.push_back(std::move(info));
    }
    ::SetupDiDestroyDeviceInfoList(set);
    std::sort(found.begin(), found.end(), [](auto& a, auto& b) {
        return a.device.size() != b.device.size() ? a.device.size() < b.device.size() : a.device < b.device;
    });
    return found;
}

}  // namespace k5::platform
