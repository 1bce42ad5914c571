#include "device_names.h"
#include "text_mark.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

bool IsDevicePath(std::string_view name) { return name.rfind("\\\\", 0) == 0; }

std::string DefaultDeviceForPort(int number, const DeviceExists&) { return "COM" + std::to_string(number); }

std::string DeviceKind(const std::string&) { return N_("serial port"); }

std::string DeviceForBareName(const std::string&) { return ""; }

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

std::vector<int> PresentComPortsAbove9() {
    // Every DOS device name, each ended by a NUL, the list by another; grown until it fits.
    std::vector<wchar_t> names(16384);
    while (::QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size())) == 0) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || names.size() > (1u << 22)) return {};
        names.resize(names.size() * 2);
    }
    std::vector<int> numbers;
    for (const wchar_t* name = names.data(); *name != L'\0'; name += std::wcslen(name) + 1) {
        const std::string text = Narrow(name);
        if (text.size() < 5 || _strnicmp(text.c_str(), "COM", 3) != 0) continue;
        int n = 0;
        bool digits = true;
        for (std::size_t i = 3; i < text.size() && digits; ++i) {
            digits = text[i] >= '0' && text[i] <= '9' && n < 100000;
            n = n * 10 + (text[i] - '0');
        }
        if (digits && n > 9) numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace k5::platform
