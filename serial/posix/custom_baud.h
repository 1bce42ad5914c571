// Rates without a Bnnn code, through termios2 and BOTHER.
#pragma once

#include <cstdint>

namespace k5::serial::posix {

// Sets input and output speed of `fd` to `baudRate`; false when the driver refuses.
bool SetCustomBaudRate(int fd, std::uint32_t baudRate);

}  // namespace k5::serial::posix
