// Kept apart: <asm/termbits.h> clashes with <termios.h>.
#include "custom_baud.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace k5::serial::posix {

bool SetCustomBaudRate(int fd, std::uint32_t baudRate) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ispeed = baudRate;
    t.c_ospeed = baudRate;
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace k5::serial::posix
