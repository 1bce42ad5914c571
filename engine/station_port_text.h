// How a station port reads, the same on a station window's tile and on a line of
// `k5-iap station`.
#pragma once

#include <string>

#include "port_problem_text.h"
#include "station.h"

namespace k5 {

// Where the port leads: its device where that is not its name, then the adapter
// ("/dev/ttyUSB0, 0403:6001 A50285BI"); empty when neither says more than the name.
inline std::string PortWhere(const PortStatus& s, const std::string& adapter) {
    std::string where = s.device != s.name ? s.device : "";
    if (!adapter.empty()) where += (where.empty() ? "" : ", ") + adapter;
    return where;
}

// A cable pulled during the port's last update: that failure stays in sight, beside
// the port's absence too, until the next update starts. Empty when the line held.
inline std::string PulledCableText(const PortStatus& s) {
    return s.lastHungUp ? PortHungUpText(s.device) : "";
}

}  // namespace k5
