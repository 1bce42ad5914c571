// The decoded 32-byte pack header and the fields composed from it.
#pragma once

#include <array>
#include <cstdint>

namespace k5 {

inline constexpr std::size_t kPackHeaderSize = 32;

// Field offsets within the decoded header. 16-bit halves are little-endian;
// a 32-bit value keeps its high half at the lower offset.
namespace header_offset {
inline constexpr std::size_t kVersion = 1;
inline constexpr std::size_t kProductCodeHigh = 6;
inline constexpr std::size_t kProductCodeLow = 9;
inline constexpr std::size_t kPackKind = 19;
inline constexpr std::size_t kImageLengthHigh = 21;
inline constexpr std::size_t kTransferKey = 23;
inline constexpr std::size_t kImageLengthLow = 24;
inline constexpr std::size_t kImageSumHigh = 26;
inline constexpr std::size_t kImageSumLow = 28;
inline constexpr std::size_t kHeaderCrc = 30;
inline constexpr std::size_t kCrcCovered = 30;  // the CRC covers bytes 0 to 29
}  // namespace header_offset

inline constexpr std::uint8_t kPackKindSoftwareAndSettings = 0xAA;

// The pack header record: the 32 decoded bytes, read through accessors that
// compose each value from its halves every time.
struct PackHeader {
    std::array<std::uint8_t, kPackHeaderSize> bytes{};

    std::uint16_t Version() const { return Half(header_offset::kVersion); }
    std::uint32_t ProductCode() const {
        return Compose(header_offset::kProductCodeHigh, header_offset::kProductCodeLow);
    }
    std::uint8_t PackKind() const { return bytes[header_offset::kPackKind]; }
    std::uint32_t ImageLength() const {
        return Compose(header_offset::kImageLengthHigh, header_offset::kImageLengthLow);
    }
    std::uint8_t TransferKey() const { return bytes[header_offset::kTransferKey]; }
    std::uint32_t ImageSum() const {
        return Compose(header_offset::kImageSumHigh, header_offset::kImageSumLow);
    }
    std::uint16_t HeaderCrc() const { return Half(header_offset::kHeaderCrc); }

  private:
    std::uint16_t Half(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    }
    std::uint32_t Compose(std::size_t high, std::size_t low) const {
        return (static_cast<std::uint32_t>(Half(high)) << 16) | Half(low);
    }
};

static_assert(sizeof(PackHeader) == kPackHeaderSize);

// "Software + Settings" for kind 0xAA, "Software Only" for any other.
const char* PackKindText(std::uint8_t packKind);

}  // namespace k5
