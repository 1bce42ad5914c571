// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k5 {

// Computes the CRC of `length` bytes at `data`, a nibble at a time (high nibble first).
// `crc` continues an earlier computation; 0 starts a new one.
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t length, std::uint16_t crc = 0);

}  // namespace k5
