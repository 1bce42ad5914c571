// The bootloader entry command: a 21-byte frame, sent at 9600 baud, that asks
// the running firmware to restart into its bootloader. It carries the image's
// length, sum and transfer key and the pack's version in 7-bit digits, a
// CRC-16/XMODEM of its first 18 bytes, and is masked byte by byte with 0xA7.
#pragma once

#include <array>
#include <cstdint>

#include "protocol.h"

namespace k5 {

using protocol::kEntryCommandBaud;
using protocol::kEntryFrameMask;
using protocol::kEntryFrameSize;

using EntryFrame = std::array<std::uint8_t, kEntryFrameSize>;

// The CRC cut for offsets 18, 19 and 20 (before the end byte's 0x80 is added):
// top 7 bits, middle 7 bits, low 2 bits.
std::array<std::uint8_t, 3> SplitCrc7(std::uint16_t crc);

// The frame before masking.
EntryFrame BuildEntryFrame(std::uint32_t imageLength, std::uint32_t imageSum, std::uint8_t transferKey,
                           std::uint16_t version);

// Every byte XORed with the frame mask; applying it twice gives the frame back.
EntryFrame MaskEntryFrame(const EntryFrame& frame);

// The fields of a received (unmasked) frame, when its markers and CRC are right.
struct EntryFields {
    std::uint32_t imageLength;
    std::uint32_t imageSum;
    std::uint8_t transferKey;
    std::uint16_t version;
};
bool ParseEntryFrame(const EntryFrame& frame, EntryFields& fields);

}  // namespace k5
