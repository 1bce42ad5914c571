// How the component's line settings become termios settings.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "comm_types.h"

namespace k5::serial::posix {

struct TermiosPlan {
    termios attributes{};
    // The Bnnn code for a standard rate; nothing when the rate needs BOTHER.
    std::optional<speed_t> standardSpeed;
    std::uint32_t baudRate = 0;
    // Modem lines to raise (true) or drop (false); nothing leaves the line alone.
    std::optional<bool> dtr;
    std::optional<bool> rts;
};

// Raw mode with receiver on and modem status ignored; data bits, parity,
// stop bits, XON/XOFF and RTS/CTS from `settings`. Line errors are marked in
// band (PARMRK). Settings termios cannot express are left out.
TermiosPlan MapLineSettings(const LineSettings& settings, const termios& current);

// The Bnnn code of a standard rate.
std::optional<speed_t> StandardSpeed(std::uint32_t baudRate);
// The rate of a Bnnn code; 0 for B0 and for codes that are none.
std::uint32_t RateOfSpeed(speed_t code);

}  // namespace k5::serial::posix
