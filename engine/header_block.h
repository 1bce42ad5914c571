// The header block: the 12 bytes that follow the header command and tell the
// bootloader what comes. FF FF, the image's length and its sum (32 bits each,
// low byte first), the transfer key its chunks are XORed with, and the baud
// index of the line they come at. Nothing follows it, no checksum either.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol.h"

namespace k5 {

using HeaderBlockBytes = std::array<std::uint8_t, protocol::kHeaderBlockSize>;

struct HeaderBlock {
    std::uint32_t imageLength = 0;
    std::uint32_t imageSum = 0;
    std::uint8_t transferKey = 0;
    std::uint8_t baudIndex = 0;
};

HeaderBlockBytes EncodeHeaderBlock(const HeaderBlock& block);

// The fields of a received block; none when it does not start with FF FF.
std::optional<HeaderBlock> DecodeHeaderBlock(std::span<const std::uint8_t, protocol::kHeaderBlockSize> bytes);

}  // namespace k5
