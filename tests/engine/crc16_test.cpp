#include "CRC16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::uint16_t BitwiseReference(const std::vector<std::uint8_t>& data) {
    std::uint16_t crc = 0;
    for (auto byte : data) {
        crc ^= static_cast<std::uint16_t>(byte << 8);
        for (int i = 0; i < 8; ++i) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    }
    return crc;
}

TEST(Crc16Xmodem, KnownVectors) {
    const char* check = "123456789";
    EXPECT_EQ(k5::Crc16Xmodem(reinterpret_cast<const std::uint8_t*>(check), std::strlen(check)), 0x31C3);
    EXPECT_EQ(k5::Crc16Xmodem(nullptr, 0), 0x0000);
    const std::uint8_t one = 0x01;
    EXPECT_EQ(k5::Crc16Xmodem(&one, 1), 0x1021);
}

TEST(Crc16Xmodem, MatchesBitwiseReferenceAndContinues) {
    std::vector<std::uint8_t> data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 73 + 5);
    for (std::size_t len : {1u, 2u, 29u, 30u, 255u, 300u}) {
        std::vector<std::uint8_t> part(data.begin(), data.begin() + static_cast<long>(len));
        EXPECT_EQ(k5::Crc16Xmodem(part.data(), part.size()), BitwiseReference(part)) << len;
    }
    const auto split = k5::Crc16Xmodem(data.data() + 100, 200, k5::Crc16Xmodem(data.data(), 100));
    EXPECT_EQ(split, k5::Crc16Xmodem(data.data(), data.size()));
}

}  // namespace
