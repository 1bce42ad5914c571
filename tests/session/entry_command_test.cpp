#include "entry_command.h"

#include <gtest/gtest.h>

#include "CRC16.h"

namespace {

TEST(EntryCommand, DigitsOfLengthSumAndVersion) {
    const auto f = k5::BuildEntryFrame(128000, 12800000, 0xA5, 308);
    EXPECT_EQ(f[0], 0xC9);
    EXPECT_EQ(f[1], 0x77);
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 2, f.begin() + 7)),
              (std::vector<std::uint8_t>{0x00, 0x00, 0x07, 0x68, 0x00}));
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 7, f.begin() + 12)),
              (std::vector<std::uint8_t>{0x00, 0x06, 0x0D, 0x20, 0x00}));
    EXPECT_EQ(f[12], 0x0A);
    EXPECT_EQ(f[13], 0x05);
    EXPECT_EQ(f[14], 0x5A);
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin() + 15, f.begin() + 18)),
              (std::vector<std::uint8_t>{0x00, 0x02, 0x34}));
    for (std::size_t i = 1; i < 20; ++i) EXPECT_LT(f[i], 0x80) << i;
}

TEST(EntryCommand, CrcCoversTheUnmaskedFirstEighteenBytes) {
    const auto f = k5::BuildEntryFrame(1, 2, 3, 0xFFFF);
    const auto crc = k5::Crc16Xmodem(f.data(), 18);
    const auto parts = k5::SplitCrc7(crc);
    EXPECT_EQ(f[18], parts[0]);
    EXPECT_EQ(f[19], parts[1]);
    EXPECT_EQ(f[20], parts[2] + 0x80);
    EXPECT_EQ(f[15], 3);  // Version >> 14
}

TEST(EntryCommand, SplitCrc7) {
    EXPECT_EQ(k5::SplitCrc7(0xABCD), (std::array<std::uint8_t, 3>{0x55, 0x73, 0x01}));
    EXPECT_EQ(k5::SplitCrc7(0xFFFF), (std::array<std::uint8_t, 3>{0x7F, 0x7F, 0x03}));
    EXPECT_EQ(k5::SplitCrc7(0x0000), (std::array<std::uint8_t, 3>{0x00, 0x00, 0x00}));
}

TEST(EntryCommand, MaskingAndParsingRoundTrip) {
    const auto f = k5::BuildEntryFrame(131024, 33411120, 0x5A, 308);
    const auto masked = k5::MaskEntryFrame(f);
    for (std::size_t i = 0; i < f.size(); ++i) EXPECT_EQ(masked[i], f[i] ^ 0xA7);
    EXPECT_EQ(k5::MaskEntryFrame(masked), f);
    k5::EntryFields fields{};
    ASSERT_TRUE(k5::ParseEntryFrame(f, fields));
    EXPECT_EQ(fields.imageLength, 131024u);
    EXPECT_EQ(fields.imageSum, 33411120u);
    EXPECT_EQ(fields.transferKey, 0x5A);
    EXPECT_EQ(fields.version, 308);
    auto broken = f;
    broken[9] ^= 0x01;
    EXPECT_FALSE(k5::ParseEntryFrame(broken, fields));
    EXPECT_FALSE(k5::ParseEntryFrame(masked, fields));
}

}  // namespace
