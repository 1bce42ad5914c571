// USB-serial drivers known to fail with this tool's ports, with where each was
// reported. `k5-iap doctor` names a port's driver when it is listed here.
#pragma once

#include <cctype>
#include <string>

#include "serial_ports.h"

namespace k5::cli {

struct DriverAdvisory {
    const char* vendorId;  // as the USB ids say, any case
    const char* productId;
    const char* versionPrefix;  // the driver versions it covers
    const char* problem;        // what fails, and what works instead
    const char* source;
};

inline constexpr DriverAdvisory kDriverAdvisories[] = {
    {"1a86", "7523", "3.8.2023.",
     "WCH's CH340/CH341 driver 3.8 of 2023 fails to set the port up (\"can't set com-state\");"
     " version 3.5.2019.1 works: install it from the adapter maker's older package",
     "https://github.com/avrdudes/avrdude/issues/1328"},
};

namespace detail {
inline bool SameId(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}
}  // namespace detail

// The advisory that covers the port's driver, or null.
inline const DriverAdvisory* KnownToFail(const platform::SerialDeviceInfo& port) {
    for (const auto& advisory : kDriverAdvisories) {
        if (detail::SameId(port.vendorId, advisory.vendorId) &&
            detail::SameId(port.productId, advisory.productId) &&
            port.driverVersion.rfind(advisory.versionPrefix, 0) == 0) {
            return &advisory;
        }
    }
    return nullptr;
}

}  // namespace k5::cli
