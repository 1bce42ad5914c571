#include "header_block.h"

namespace k5 {
namespace {

constexpr std::uint8_t kStart = 0xFF;  // both of the first two bytes
constexpr std::size_t kLengthAt = 2;
constexpr std::size_t kSumAt = 6;
constexpr std::size_t kKeyAt = 10;
constexpr std::size_t kBaudIndexAt = 11;

void PutLe32(HeaderBlockBytes& b, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLe32(std::span<const std::uint8_t, protocol::kHeaderBlockSize> b, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{b[at + i]} << (8 * i);
    return value;
}

}  // namespace

HeaderBlockBytes EncodeHeaderBlock(const HeaderBlock& block) {
    HeaderBlockBytes b{};
    b[0] = b[1] = kStart;
    PutLe32(b, kLengthAt, block.imageLength);
    PutLe32(b, kSumAt, block.imageSum);
    b[kKeyAt] = block.transferKey;
    b[kBaudIndexAt] = block.baudIndex;
    return b;
}

std::optional<HeaderBlock> DecodeHeaderBlock(
    std::span<const std::uint8_t, protocol::kHeaderBlockSize> bytes) {
    if (bytes[0] != kStart || bytes[1] != kStart) return std::nullopt;
    return HeaderBlock{GetLe32(bytes, kLengthAt), GetLe32(bytes, kSumAt), bytes[kKeyAt], bytes[kBaudIndexAt]};
}

}  // namespace k5
