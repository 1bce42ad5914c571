#include "pack_builder.h"

#include <fstream>

namespace k5::sim {
namespace {

constexpr std::size_t kRecordSize = 131072;
constexpr std::size_t kImageAt = 34;

// An independent bitwise CRC-16/XMODEM, so the builder does not share the loader's.
std::uint16_t BitwiseCrc16(const std::uint8_t* data, std::size_t length) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (data[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

void PutHalf(std::array<std::uint8_t, 32>& h, std::size_t at, std::uint16_t value) {
    h[at] = static_cast<std::uint8_t>(value & 0xFF);
    h[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

std::uint32_t ByteSum(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t sum = 0;
    for (auto b : bytes) sum += b;
    return sum;
}

std::array<std::uint8_t, 32> BuildPlainHeader(const PackRecipe& recipe) {
    std::array<std::uint8_t, 32> h{};
    h.fill(recipe.uninterpretedFill);
    const std::uint32_t length =
        recipe.declaredLength.value_or(static_cast<std::uint32_t>(recipe.image.size()));
    const std::uint32_t sum = ByteSum(recipe.image) + (recipe.corruptSum ? 1u : 0u);
    PutHalf(h, 1, recipe.version);
    PutHalf(h, 6, static_cast<std::uint16_t>(recipe.productCode >> 16));
    PutHalf(h, 9, static_cast<std::uint16_t>(recipe.productCode & 0xFFFF));
    h[19] = recipe.packKind;
    PutHalf(h, 21, static_cast<std::uint16_t>(length >> 16));
    h[23] = recipe.transferKey;
    PutHalf(h, 24, static_cast<std::uint16_t>(length & 0xFFFF));
    PutHalf(h, 26, static_cast<std::uint16_t>(sum >> 16));
    PutHalf(h, 28, static_cast<std::uint16_t>(sum & 0xFFFF));
    std::uint16_t crc = BitwiseCrc16(h.data(), 30);
    if (recipe.corruptCrc) crc ^= 0x0101;
    PutHalf(h, 30, crc);
    return h;
}

std::vector<std::uint8_t> BuildPack(const PackRecipe& recipe) {
    std::vector<std::uint8_t> pack(kRecordSize);
    std::uint8_t filler = recipe.fillerSeed;
    for (auto& b : pack) {
        filler = static_cast<std::uint8_t>(filler * 37 + 11);
        b = filler;
    }
    const auto header = BuildPlainHeader(recipe);
    const auto headerKey = static_cast<std::uint8_t>(recipe.headerKeyByte32 + recipe.headerKeyByte33);
    const auto imageKey = static_cast<std::uint8_t>(header[30] + header[31]);
    for (std::size_t i = 0; i < 32; ++i) pack[i] = header[i] ^ headerKey;
    pack[32] = recipe.headerKeyByte32;
    pack[33] = recipe.headerKeyByte33;
    const std::size_t room = kRecordSize - kImageAt;
    for (std::size_t j = 0; j < recipe.image.size() && j < room; ++j) {
        pack[kImageAt + j] = recipe.image[j] ^ imageKey;
    }
    return pack;
}

std::vector<std::uint8_t> GenerateImage(std::size_t length, std::uint32_t seed) {
    std::vector<std::uint8_t> image(length);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& b : image) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return image;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace k5::sim
