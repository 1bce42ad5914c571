#include "CRC16.h"

#include <array>

namespace k5 {
namespace {

constexpr std::array<std::uint16_t, 16> MakeNibbleTable() {
    std::array<std::uint16_t, 16> table{};
    for (std::uint16_t n = 0; n < 16; ++n) {
        std::uint16_t value = 0;
        for (int bit = 3; bit >= 0; --bit) {
            if (n & (1u << bit)) value ^= static_cast<std::uint16_t>(0x1021u << bit);
        }
        table[n] = value;
    }
    return table;
}

constexpr auto kNibbleTable = MakeNibbleTable();
static_assert(kNibbleTable[1] == 0x1021 && kNibbleTable[2] == 0x2042 && kNibbleTable[15] == 0xF1EF);

constexpr std::uint16_t Step(std::uint16_t crc, unsigned nibble) {
    return static_cast<std::uint16_t>((crc << 4) ^ kNibbleTable[((crc >> 12) ^ nibble) & 0x0F]);
}

}  // namespace

std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t length, std::uint16_t crc) {
    for (std::size_t i = 0; i < length; ++i) {
        crc = Step(crc, data[i] >> 4);
        crc = Step(crc, data[i] & 0x0F);
    }
    return crc;
}

}  // namespace k5
