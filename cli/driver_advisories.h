// USB-serial drivers known to fail with this tool's ports, with where each was
// reported. `k5-iap doctor` names a port's driver when it is listed here.
#pragma once

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

}  // namespace k5::cli
