#include <openssl/evp.h>

#include <stdexcept>

#include "sha256.h"

namespace k5::platform {

std::string Sha256Hex(const std::uint8_t* bytes, std::size_t length) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes, length, digest, &size, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed");
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 0x0F];
    }
    return text;
}

}  // namespace k5::platform
