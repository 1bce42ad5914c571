// How a station port reads, the same on a station window's tile and on a line of
// `k5-iap station`.
#pragma once

#include <string>

#include "port_problem_text.h"
#include "station.h"
#include "translation.h"

namespace k5 {

// Why a text is not a controller's label (a sentence each).
namespace label_text {
inline constexpr const char* kEmpty = N_("A label cannot be empty.");
inline constexpr const char* kNotUtf8 = N_("A label must be text: this one has bytes that are not UTF-8.");
inline constexpr const char* kControl =
    N_("A label must be printable text: this one has a control character (a tab, a line break or the like).");
inline constexpr const char* kTooLong = N_("A label has at most %1 characters: this one is longer.");
}  // namespace label_text

// Why a station set-up cannot be used; %1 is the set-up file.
namespace setup_text {
inline constexpr const char* kUnreadable = N_("%1: the set-up cannot be read: %2");   // %2 why
inline constexpr const char* kMissing = N_("%1: the set-up has no %2 in [Station]");  // %2 the key
// %2 the key, %3 its value, %4 what it may be.
inline constexpr const char* kBadValue = N_("%1: %2=%3 in [Station] is not %4");
inline constexpr const char* kZeroOrOne = N_("0 or 1");
inline constexpr const char* kSha256 = N_("a SHA-256 (64 hexadecimal digits)");
inline constexpr const char* kSpeeds = N_("default, auto or a line speed (%1)");  // %1 the speeds
// %1 the pack, %2 its SHA-256 now, %3 the set-up's.
inline constexpr const char* kPackChanged =
    N_("the pack %1 is not the one the set-up was saved with (its SHA-256 is %2, the set-up's %3): a station "
       "programs only the pack chosen for it");
}  // namespace setup_text

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
