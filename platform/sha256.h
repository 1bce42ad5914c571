// SHA-256, for naming exactly which pack a record line stands for: OpenSSL on
// Linux, the system's CNG (bcrypt) on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k5::platform {

// The digest in lower-case hexadecimal, 64 characters.
std::string Sha256Hex(const std::uint8_t* bytes, std::size_t length);

}  // namespace k5::platform
