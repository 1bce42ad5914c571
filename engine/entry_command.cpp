#include "entry_command.h"

#include "CRC16.h"

namespace k5 {
namespace {

constexpr std::uint8_t kStart0 = 0xC9;
constexpr std::uint8_t kStart1 = 0x77;
constexpr std::uint8_t kSeparator = 0x5A;
constexpr std::size_t kCrcCovered = 18;

void PutDigits32(EntryFrame& f, std::size_t at, std::uint32_t value) {
    f[at + 0] = static_cast<std::uint8_t>((value >> 28) & 0x7F);
    f[at + 1] = static_cast<std::uint8_t>((value >> 21) & 0x7F);
    f[at + 2] = static_cast<std::uint8_t>((value >> 14) & 0x7F);
    f[at + 3] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
    f[at + 4] = static_cast<std::uint8_t>(value & 0x7F);
}

std::uint32_t GetDigits32(const EntryFrame& f, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 5; ++i) value = (value << 7) | (f[at + i] & 0x7F);
    return value;
}

}  // namespace

std::array<std::uint8_t, 3> SplitCrc7(std::uint16_t crc) {
    return {static_cast<std::uint8_t>((crc >> 9) & 0x7F),
            static_cast<std::uint8_t>(((crc % 512) >> 2) & 0x7F),
            static_cast<std::uint8_t>((crc % 4) & 0x7F)};
}

EntryFrame BuildEntryFrame(std::uint32_t imageLength, std::uint32_t imageSum, std::uint8_t transferKey,
                           std::uint16_t version) {
    EntryFrame f{};
    f[0] = kStart0;
    f[1] = kStart1;
    PutDigits32(f, 2, imageLength);
    PutDigits32(f, 7, imageSum);
    f[12] = static_cast<std::uint8_t>(transferKey >> 4);
    f[13] = static_cast<std::uint8_t>(transferKey & 0x0F);
    f[14] = kSeparator;
    f[15] = static_cast<std::uint8_t>(version >> 14);
    f[16] = static_cast<std::uint8_t>((version >> 7) & 0x7F);
    f[17] = static_cast<std::uint8_t>(version & 0x7F);
    const auto crc = SplitCrc7(Crc16Xmodem(f.data(), kCrcCovered));
    f[18] = crc[0];
    f[19] = crc[1];
    f[20] = static_cast<std::uint8_t>(crc[2] + 0x80);
    return f;
}

EntryFrame MaskEntryFrame(const EntryFrame& frame) {
    EntryFrame masked{};
    for (std::size_t i = 0; i < kEntryFrameSize; ++i) masked[i] = frame[i] ^ kEntryFrameMask;
    return masked;
}

bool ParseEntryFrame(const EntryFrame& f, EntryFields& fields) {
    if (f[0] != kStart0 || f[1] != kStart1 || f[14] != kSeparator || (f[20] & 0xFC) != 0x80) return false;
    for (std::size_t i = 2; i < 20; ++i) {
        if (f[i] & 0x80) return false;
    }
    const auto crc = SplitCrc7(Crc16Xmodem(f.data(), kCrcCovered));
    if (f[18] != crc[0] || f[19] != crc[1] || (f[20] & 0x03) != crc[2]) return false;
    fields.imageLength = GetDigits32(f, 2);
    fields.imageSum = GetDigits32(f, 7);
    fields.transferKey = static_cast<std::uint8_t>((f[12] << 4) | (f[13] & 0x0F));
    fields.version = static_cast<std::uint16_t>((f[15] << 14) | (f[16] << 7) | f[17]);
    return true;
}

}  // namespace k5
