// SHA-256 (FIPS 180-4), for naming exactly which pack a record line stands for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace k5 {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(const std::uint8_t* bytes, std::size_t length);

// The digest in lower-case hexadecimal, 64 characters.
std::string Sha256Hex(const std::uint8_t* bytes, std::size_t length);

}  // namespace k5
