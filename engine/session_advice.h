// What a front end says after a session that went badly, beside the session's
// own log: the port where nothing answered and what to check, and a controller
// whose firmware was only partly replaced. The rules and the words stand here
// once, for k5-iap, the windows, the station and the page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "iap_session.h"
#include "message_text.h"
#include "port_listing.h"
#include "session_view.h"
#include "translation.h"

namespace k5 {

// Where a person finds the cable's port: k5-iap's words and the desktop program's.
inline constexpr const char* kFindPortCommand =
    "`k5-iap ports` lists the ports, `k5-iap doctor --probe --port NAME` tries one";
inline constexpr const char* kFindPortDialog = N_("Uart > Uart Port shows the ports");

inline constexpr const char* kFirmwareIncompleteText =
    N_("The controller's firmware is incomplete now: program it again before the bike is used.");

// Whether a session that ended with `outcome` while in `lastStep` left the
// controller with part of a new image: a transfer or verdict that failed (a
// hang-up ends there too), or a stop or internal error once the image had begun.
inline bool FirmwareLeftIncomplete(SessionOutcome outcome, SessionStep lastStep) {
    switch (outcome) {
        case SessionOutcome::TransferFail:
        case SessionOutcome::VerdictFail:
            return true;
        case SessionOutcome::Stopped:
        case SessionOutcome::InternalError:
            return lastStep == SessionStep::Image || lastStep == SessionStep::Verdict;
        default:
            return false;
    }
}

// A serial port on the machine's board: Linux's "built-in serial port", and the
// name Windows gives the ports of its own serial driver.
inline bool IsBuiltInPort(const PortChoice& port) {
    return !port.usb && (port.description == "built-in serial port" ||
                         port.description.rfind("Communications Port", 0) == 0);
}

namespace detail {

// "COM1 (/dev/ttyS0, built-in serial port)"; the device only where it is not the name.
inline std::string PortWords(const PortChoice& port) {
    return port.name + " (" + (port.device == port.name ? "" : port.device + ", ") + port.description + ")";
}

}  // namespace detail

// The line after "Conntect  fail": the port nothing answered on, what it is, and
// what to check, ending with `findPort` (kFindPortCommand or kFindPortDialog). A built-in port is almost
// never the cable's: when USB adapters are present (`present`, the ports there now), the line names them.
inline std::string NothingAnsweredText(const PortChoice& chosen, const std::vector<PortChoice>& present,
                                       std::string_view findPort) {
    std::string adapters;
    int count = 0;
    for (const auto& port : present) {
        if (!port.usb || port.device == chosen.device) continue;
        adapters += (adapters.empty() ? "" : ", ") + detail::PortWords(port);
        ++count;
    }
    const std::string port = detail::PortWords(chosen);
    if (IsBuiltInPort(chosen) && count > 0) {
        return FillIn(count > 1
                          ? N_("Nothing answered on %1: a built-in port is almost never the cable's; the USB "
                               "adapters here are %2. Check the cable and the controller's power; %3.")
                          : N_("Nothing answered on %1: a built-in port is almost never the cable's; the USB "
                               "adapter here is %2. Check the cable and the controller's power; %3."),
                      {port, adapters, findPort});
    }
    return FillIn(
        N_("Nothing answered on %1: is that the cable's port? Check the cable and the controller's power; "
           "%2."),
        {port, findPort});
}

// The same for the port called `name` leading to `device`, described as `present`
// describes it (or by what its name tells, when it is not there).
inline std::string NothingAnsweredText(const std::string& name, const std::string& device,
                                       const std::vector<PortChoice>& present, std::string_view findPort) {
    PortChoice chosen{name, device, DescribePort(device, nullptr), false};
    for (const auto& port : present) {
        if (port.device == device) {
            chosen.description = port.description;
            chosen.usb = port.usb;
        }
    }
    return NothingAnsweredText(chosen, present, findPort);
}

}  // namespace k5
