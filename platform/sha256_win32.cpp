// After win32_api.h: bcrypt.h needs the Windows types.
#include "win32_api.h"

#include <bcrypt.h>

#include <stdexcept>

#include "sha256.h"

namespace k5::platform {

std::string Sha256Hex(const std::uint8_t* bytes, std::size_t length) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        throw std::runtime_error("SHA-256 failed");
    }
    unsigned char digest[32];
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    ok = ok &&
         BCRYPT_SUCCESS(::BCryptHashData(hash, const_cast<PUCHAR>(bytes), static_cast<ULONG>(length), 0));
    ok = ok && BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash != nullptr) ::BCryptDestroyHash(hash);
    ::BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) throw std::runtime_error("SHA-256 failed");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : digest) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

}  // namespace k5::platform
