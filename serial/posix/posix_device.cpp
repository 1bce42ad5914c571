#include "posix_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "custom_baud.h"
#include "termios_mapping.h"

namespace k5::serial::posix {

PosixDevice::~PosixDevice() { Close(); }

int PosixDevice::Open(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) return errno;
    // The lock keeps out other processes and other opens of ours; TIOCEXCL
    // keeps out programs that do not lock (root passes it, not the lock).
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? EBUSY : errno;
    if (isatty(fd.Get())) ::ioctl(fd.Get(), TIOCEXCL);
    if (termios t{}; ::tcgetattr(fd.Get(), &t) == 0) before_ = t;
    fd_ = std::move(fd);
    return 0;
}

bool PosixDevice::SetupQueues(std::size_t, std::size_t) {
    // Linux sizes its own queues; only a terminal can carry a serial line.
    termios t{};
    return ::tcgetattr(fd_.Get(), &t) == 0;
}

void PosixDevice::SetLowLatency() {
    serial_struct serial{};
    if (::ioctl(fd_.Get(), TIOCGSERIAL, &serial) != 0) return;  // a pty, or a driver without it
    if (serial.flags & ASYNC_LOW_LATENCY) return;
    const int before = serial.flags;
    serial.flags |= ASYNC_LOW_LATENCY;
    if (::ioctl(fd_.Get(), TIOCSSERIAL, &serial) == 0) flagsBefore_ = before;
}

void PosixDevice::Close() {
    if (!fd_.Valid()) return;
    if (flagsBefore_) {
        serial_struct serial{};
        if (::ioctl(fd_.Get(), TIOCGSERIAL, &serial) == 0) {
            serial.flags = *flagsBefore_;
            ::ioctl(fd_.Get(), TIOCSSERIAL, &serial);
        }
        flagsBefore_.reset();
    }
    if (before_) ::tcsetattr(fd_.Get(), TCSANOW, &*before_);
    before_.reset();
    ::ioctl(fd_.Get(), TIOCNXCL);
    fd_.Reset();
}

ssize_t PosixDevice::Read(std::uint8_t* buffer, std::size_t size) { return ::read(fd_.Get(), buffer, size); }

ssize_t PosixDevice::Write(const std::uint8_t* buffer, std::size_t size) {
    return ::write(fd_.Get(), buffer, size);
}

void PosixDevice::Purge(bool receive, bool transmit) {
    if (receive && transmit) {
        ::tcflush(fd_.Get(), TCIOFLUSH);
    } else if (receive) {
        ::tcflush(fd_.Get(), TCIFLUSH);
    } else if (transmit) {
        ::tcflush(fd_.Get(), TCOFLUSH);
    }
}

void PosixDevice::ApplyLineSettings(const LineSettings& settings) {
    // As on the original platform, a setting the driver refuses keeps its
    // previous value and nothing is reported.
    termios current{};
    if (::tcgetattr(fd_.Get(), &current) != 0) return;
    TermiosPlan plan = MapLineSettings(settings, current);
    if (plan.standardSpeed) cfsetspeed(&plan.attributes, *plan.standardSpeed);
    ::tcsetattr(fd_.Get(), TCSANOW, &plan.attributes);
    if (!plan.standardSpeed) SetCustomBaudRate(fd_.Get(), plan.baudRate);

    auto setLine = [this](int line, bool on) { ::ioctl(fd_.Get(), on ? TIOCMBIS : TIOCMBIC, &line); };
    if (plan.dtr) setLine(TIOCM_DTR, *plan.dtr);
    if (plan.rts) setLine(TIOCM_RTS, *plan.rts);
}

std::unique_ptr<ModemWatch> PosixDevice::WatchModem(ModemChanged changed) {
    return StartModemWatch(fd_.Get(), std::move(changed));
}

}  // namespace k5::serial::posix
