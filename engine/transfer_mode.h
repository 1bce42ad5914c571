// How a session paces its transfer. The standard mode is the controller's
// timing as it has always been: the port hands received bytes over after
// 100 ms of silence, so each acknowledgement reaches the session 100 ms late.
// The fast mode (opt-in) has them handed over within about 1 ms and instead
// pauses for a short guard after each 1024-byte acknowledgement, for a
// bootloader that is still finishing its flash write when it acknowledges.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "message_text.h"
#include "translation.h"

namespace k5 {

// 5 ms: covers a bootloader re-arming its receiver after the acknowledgement
// and the scheduler's slack, and keeps a full image within 92 % of the line's
// limit (128 guards cost 0.64 s). A bootloader that writes flash after it
// acknowledges needs the guard raised to its write time (--ack-guard).
inline constexpr std::chrono::milliseconds kDefaultAckGuard{5};
inline constexpr std::chrono::milliseconds kLargestAckGuard{2000};
// The read interval time-out in fast mode, and the standard one.
inline constexpr std::uint32_t kFastReadIntervalMs = 1;
inline constexpr std::uint32_t kStandardReadIntervalMs = 100;

struct TransferMode {
    bool fast = false;
    std::chrono::milliseconds ackGuard = kDefaultAckGuard;  // fast mode only
    // The line speed: the settings' (-1), a fixed baud index (0: 38400, 1: 57600,
    // 2: 115200), or searched at each connection (autoSpeed: 115200, 57600, then
    // 38400, the first a bootloader answers at).
    int baudIndex = -1;
    bool autoSpeed = false;
};

// The log line that names the speed a session runs at, when it was chosen (ours).
inline std::string LineSpeedLogLine(std::uint32_t baud) {
    return FillIn(N_("Line speed: %1 baud"), {std::to_string(baud)});
}
// The log line after a transfer that failed above the default speed (ours).
inline std::string SlowerSpeedAdvice(std::uint32_t baud) {
    return FillIn(N_("The update failed at %1 baud: try again at the default speed"), {std::to_string(baud)});
}

// The log line a fast session starts with (our text, not the controller tools').
inline std::string FastTransferLogLine(std::chrono::milliseconds ackGuard) {
    return FillIn(N_("Fast transfer: answers seen at once, %1 ms guard after each acknowledgement"),
                  {std::to_string(ackGuard.count())});
}

}  // namespace k5
