// Builds update packs: fills in a header, computes its CRC and the image sum,
// and scrambles header and image with their keys. Written from the file format
// alone, without the loader, so the two check each other.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "p_HexConvertFun.h"

namespace k5::sim {

struct PackRecipe {
    std::vector<std::uint8_t> image;
    std::uint16_t version = 308;
    std::uint32_t productCode = kExpectedProductCode;
    std::uint8_t packKind = 0xAA;
    std::uint8_t transferKey = 0x5A;
    std::uint8_t headerKeyByte32 = 0x3C;
    std::uint8_t headerKeyByte33 = 0x91;
    // The header's uninterpreted bytes (offsets 0, 3-5, 8, 11-18, 20), as stored.
    std::uint8_t uninterpretedFill = 0x00;
    // Stored ImageLength when it should differ from image.size() (to build bad packs).
    std::optional<std::uint32_t> declaredLength;
    bool corruptCrc = false;         // store a HeaderCrc that does not match
    bool corruptSum = false;         // store an ImageSum one above the real one
    std::uint8_t fillerSeed = 0x77;  // filler after the image is a pattern from this
};

// The 32 plain header bytes for `recipe` (with its CRC in bytes 30-31).
std::array<std::uint8_t, 32> BuildPlainHeader(const PackRecipe& recipe);

// A whole 131072-byte pack record.
std::vector<std::uint8_t> BuildPack(const PackRecipe& recipe);

// `length` bytes of a deterministic, non-trivial image.
std::vector<std::uint8_t> GenerateImage(std::size_t length, std::uint32_t seed = 1);

std::uint32_t ByteSum(const std::vector<std::uint8_t>& bytes);

// Writes `bytes` to `path`; false with errno set on failure.
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace k5::sim
