#include "termios_mapping.h"

#include <array>
#include <utility>

namespace k5::serial::posix {

namespace {

constexpr std::array<std::pair<std::uint32_t, speed_t>, 31> kSpeeds{{
    {50, B50},
    {75, B75},
    {110, B110},
    {134, B134},
    {150, B150},
    {200, B200},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {1800, B1800},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
    {460800, B460800},
    {500000, B500000},
    {576000, B576000},
    {921600, B921600},
    {1000000, B1000000},
    {1152000, B1152000},
    {1500000, B1500000},
    {2000000, B2000000},
    {2500000, B2500000},
    {3000000, B3000000},
    {3500000, B3500000},
    {4000000, B4000000},
    {0, B0},
}};

}  // namespace

std::optional<speed_t> StandardSpeed(std::uint32_t baudRate) {
    for (const auto& [rate, code] : kSpeeds) {
        if (rate == baudRate) return code;
    }
    return std::nullopt;
}

std::uint32_t RateOfSpeed(speed_t code) {
    for (const auto& [rate, known] : kSpeeds) {
        if (known == code) return rate;
    }
    return 0;
}

TermiosPlan MapLineSettings(const LineSettings& s, const termios& current) {
    TermiosPlan plan;
    termios& t = plan.attributes;
    t = current;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;

    t.c_cflag &= ~CSIZE;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[static_cast<int>(s.byteSize)];

    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (s.parity) {
        case TParity::None:
            break;
        case TParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            t.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // Parity is checked only when asked for; a bad byte is marked, not dropped.
    t.c_iflag &= ~(IGNPAR | INPCK | IGNBRK | BRKINT | IXANY | IXON | IXOFF);
    t.c_iflag |= PARMRK;
    if (s.parityCheck) t.c_iflag |= INPCK;

    if (s.stopBits == TStopBits::_1) {
        t.c_cflag &= ~CSTOPB;
    } else {
        t.c_cflag |= CSTOPB;  // 1.5 stop bits is two on Linux
    }

    if (s.outxXonXoffFlow) t.c_iflag |= IXON;
    if (s.inxXonXoffFlow) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);

    // CRTSCTS covers both RTS handshaking and CTS output flow.
    if (s.rtsControl == TRtsControl::RtsHandshake || s.outxCtsFlow) {
        t.c_cflag |= CRTSCTS;
    } else {
        t.c_cflag &= ~CRTSCTS;
    }

    plan.baudRate = s.baudRate;
    plan.standardSpeed = StandardSpeed(s.baudRate);

    if (s.dtrControl == TDtrControl::DtrEnable) plan.dtr = true;
    if (s.dtrControl == TDtrControl::DtrDisable) plan.dtr = false;
    if (s.rtsControl == TRtsControl::RtsEnable) plan.rts = true;
    if (s.rtsControl == TRtsControl::RtsDisable) plan.rts = false;
    return plan;
}

}  // namespace k5::serial::posix
