#include <gtest/gtest.h>
#include <sys/stat.h>

#include "p_HexConvertFun.h"
#include "pack_builder.h"
#include "pack_loader_fixture.h"

namespace {

using k5::EInOutError;
using k5::PackStore;
using k5::sim::BuildPack;
using k5::sim::GenerateImage;
using k5::sim::PackRecipe;
using k5::test::PackLoaderTest;

TEST_F(PackLoaderTest, ReadsEveryFieldOfAnIndependentlyBuiltPack) {
    PackRecipe recipe;
    recipe.image = GenerateImage(5000);
    recipe.version = 0x0102;
    recipe.productCode = 0x00014E22;
    recipe.packKind = 0x55;
    recipe.transferKey = 0xC3;
    ASSERT_TRUE(store.LoadPack(WritePack(recipe)));
    const auto& h = store.Header();
    EXPECT_EQ(h.Version(), 258);
    EXPECT_EQ(h.ProductCode(), 0x00014E22u);
    EXPECT_EQ(h.PackKind(), 0x55);
    EXPECT_EQ(h.ImageLength(), 5000u);
    EXPECT_EQ(h.TransferKey(), 0xC3);
    EXPECT_EQ(h.ImageSum(), k5::sim::ByteSum(recipe.image));
    const auto plain = k5::sim::BuildPlainHeader(recipe);
    EXPECT_EQ(h.HeaderCrc(), plain[30] | (plain[31] << 8));
    EXPECT_TRUE(std::equal(recipe.image.begin(), recipe.image.end(), store.Image()));
    // The header stays scrambled in the buffer; the filler after the image stays as stored.
    const auto file = BuildPack(recipe);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 34, store.Buffer().begin()));
    EXPECT_TRUE(std::equal(file.begin() + 34 + 5000, file.end(), store.Buffer().begin() + 34 + 5000));
}

TEST_F(PackLoaderTest, ComposesHalvesAsTheFormatLaysThemOut) {
    // 300 bytes of 0xFF: ImageSum 76500 = 0x00012AD4, ProductCode 20002 = 0x4E22.
    PackRecipe recipe;
    recipe.image.assign(300, 0xFF);
    const auto plain = k5::sim::BuildPlainHeader(recipe);
    EXPECT_EQ(plain[6], 0x00);
    EXPECT_EQ(plain[7], 0x00);
    EXPECT_EQ(plain[9], 0x22);
    EXPECT_EQ(plain[10], 0x4E);
    EXPECT_EQ(plain[26], 0x01);
    EXPECT_EQ(plain[27], 0x00);
    EXPECT_EQ(plain[28], 0xD4);
    EXPECT_EQ(plain[29], 0x2A);
    ASSERT_TRUE(store.LoadPack(WritePack(recipe)));
    EXPECT_EQ(store.Header().ImageSum(), 76500u);
    EXPECT_EQ(store.Header().ProductCode(), 20002u);
}

TEST_F(PackLoaderTest, KeysDropTheCarryAndZeroKeysStorePlain) {
    struct Case {
        std::uint8_t b32, b33;
    } cases[] = {{0x00, 0x00}, {0x80, 0x80}, {0xF0, 0x20}, {0xFF, 0x02}};
    for (auto c : cases) {
        PackRecipe recipe;
        recipe.image = GenerateImage(777, c.b32);
        recipe.headerKeyByte32 = c.b32;
        recipe.headerKeyByte33 = c.b33;
        EXPECT_TRUE(store.LoadPack(WritePack(recipe))) << int(c.b32) << "+" << int(c.b33);
        EXPECT_EQ(store.Header().ImageLength(), 777u);
    }
    PackRecipe plain;
    plain.image = GenerateImage(64);
    plain.headerKeyByte32 = 0x80;
    plain.headerKeyByte33 = 0x80;
    const auto file = BuildPack(plain);
    const auto header = k5::sim::BuildPlainHeader(plain);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));  // header key 0
}

TEST_F(PackLoaderTest, ImageKeyOfZeroLeavesTheImageAsStored) {
    // Search a version whose CRC bytes add up to a multiple of 256.
    PackRecipe recipe;
    recipe.image = GenerateImage(100);
    for (unsigned v = 0; v < 65536; ++v) {
        recipe.version = static_cast<std::uint16_t>(v);
        auto h = k5::sim::BuildPlainHeader(recipe);
        if (static_cast<std::uint8_t>(h[30] + h[31]) == 0) break;
    }
    const auto file = BuildPack(recipe);
    EXPECT_TRUE(std::equal(recipe.image.begin(), recipe.image.end(), file.begin() + 34));
    EXPECT_TRUE(store.LoadPack(WritePack(recipe)));
}

TEST_F(PackLoaderTest, FileLengths) {
    PackRecipe recipe;
    recipe.image = GenerateImage(256);
    auto bytes = BuildPack(recipe);
    EXPECT_TRUE(store.LoadPack(dir.Write("exact.Pack", bytes)));

    auto longer = bytes;
    longer.resize(200000, 0xEE);
    EXPECT_TRUE(store.LoadPack(dir.Write("long.Pack", longer)));

    auto shorter = bytes;
    shorter.pop_back();
    std::string text;
    EXPECT_EQ(LoadErrorCode(dir.Write("short.Pack", shorter), &text), 100);
    EXPECT_EQ(text, "Read beyond end of file");
    EXPECT_EQ(LoadErrorCode(dir.Write("empty.Pack", {})), 100);
}

TEST_F(PackLoaderTest, OpenFailuresCarryTheirCodeAndText) {
    std::string text;
    EXPECT_EQ(LoadErrorCode(dir.File("missing.Pack"), &text), 2);
    EXPECT_EQ(text, "File not found");
    EXPECT_EQ(LoadErrorCode(dir.File("no-such-dir/a.Pack"), &text), 3);
    EXPECT_EQ(text, "Invalid filename");
    EXPECT_EQ(LoadErrorCode(""), 3);
    EXPECT_EQ(LoadErrorCode(dir.Path().string(), &text), 5);  // a directory chosen as the pack
    EXPECT_EQ(text, "File access denied");
    const auto regular = dir.Write("plain.Pack", {1, 2, 3});
    EXPECT_EQ(LoadErrorCode(regular + "/inner.Pack"), 3);  // a file used as a directory

    EXPECT_EQ(EInOutError::TextFor(4), "Too many open files");
    EXPECT_EQ(EInOutError::TextFor(32), "I/O error 32");
    EXPECT_EQ(EInOutError(5, 13).OsError(), 13);
}

TEST_F(PackLoaderTest, ReadOnlyPackLoads) {
    PackRecipe recipe;
    recipe.image = GenerateImage(128);
    auto path = WritePack(recipe);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(store.LoadPack(path));
}

TEST_F(PackLoaderTest, FailedReadLeavesTheLoadedPackWhole) {
    PackRecipe recipe;
    recipe.image = GenerateImage(3000);
    ASSERT_TRUE(store.LoadPack(WritePack(recipe)));
    const auto before = store.Buffer();
    const auto header = store.Header().bytes;

    auto other = BuildPack(PackRecipe{});
    other.resize(1000);
    EXPECT_EQ(LoadErrorCode(dir.Write("short.Pack", other)), 100);
    EXPECT_EQ(LoadErrorCode(dir.File("gone.Pack")), 2);
    EXPECT_EQ(store.Buffer(), before);
    EXPECT_EQ(store.Header().bytes, header);
}

TEST_F(PackLoaderTest, EveryCoveredHeaderByteIsChecked) {
    PackRecipe recipe;
    recipe.image = GenerateImage(500);
    const auto good = BuildPack(recipe);
    for (std::size_t i = 0; i < 30; ++i) {
        auto bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(store.LoadPack(dir.Write("bad.Pack", bad))) << "header byte " << i;
    }
    auto filler = good;
    filler[34 + 500 + 7] ^= 0xFF;
    EXPECT_TRUE(store.LoadPack(dir.Write("filler.Pack", filler)));
}

TEST_F(PackLoaderTest, CrcMismatchKeepsHeaderAndLeavesImageScrambled) {
    PackRecipe recipe;
    recipe.image = GenerateImage(400);
    recipe.version = 999;
    recipe.corruptCrc = true;
    const auto file = BuildPack(recipe);
    EXPECT_FALSE(store.LoadPack(WritePack(recipe)));
    EXPECT_EQ(store.Header().Version(), 999);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), store.Buffer().begin()));
}

TEST_F(PackLoaderTest, SumCheckSeesChangedBytesButNotTheirOrder) {
    PackRecipe recipe;
    recipe.image = GenerateImage(1000);
    recipe.image[10] = 0x11;
    recipe.image[20] = 0x22;
    const auto good = BuildPack(recipe);

    auto changed = good;
    changed[34 + 10] ^= 0x40;
    EXPECT_FALSE(store.LoadPack(dir.Write("changed.Pack", changed)));
    EXPECT_EQ(store.Image()[10], 0x11 ^ 0x40);  // decoded in place all the same

    auto swapped = good;
    std::swap(swapped[34 + 10], swapped[34 + 20]);
    EXPECT_TRUE(store.LoadPack(dir.Write("swapped.Pack", swapped)));

    recipe.corruptSum = true;
    EXPECT_FALSE(store.LoadPack(WritePack(recipe)));
}

TEST_F(PackLoaderTest, EmptyImage) {
    PackRecipe recipe;
    EXPECT_TRUE(store.LoadPack(WritePack(recipe)));
    EXPECT_EQ(store.Header().ImageLength(), 0u);
    recipe.corruptSum = true;
    EXPECT_FALSE(store.LoadPack(WritePack(recipe)));
}

TEST_F(PackLoaderTest, ImagesPastTheLastWholeChunkAreRefused) {
    PackRecipe recipe;
    recipe.image = GenerateImage(131024);
    EXPECT_TRUE(store.LoadPack(WritePack(recipe)));

    recipe.image = GenerateImage(131025);
    EXPECT_FALSE(store.LoadPack(WritePack(recipe)));
    PackRecipe largest;
    largest.image = GenerateImage(131038);
    const auto plain = k5::sim::BuildPlainHeader(largest);
    EXPECT_EQ(plain[21], 0x01);
    EXPECT_EQ(plain[22], 0x00);
    EXPECT_EQ(plain[24], 0xDE);
    EXPECT_EQ(plain[25], 0xFF);

    recipe.image = GenerateImage(64);
    for (std::uint32_t declared : {131038u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        recipe.declaredLength = declared;
        EXPECT_FALSE(store.LoadPack(WritePack(recipe))) << declared;
        EXPECT_EQ(store.Header().ImageLength(), declared);
    }
}

TEST_F(PackLoaderTest, ForeignProductStillLoads) {
    PackRecipe recipe;
    recipe.productCode = 20003;
    EXPECT_TRUE(store.LoadPack(WritePack(recipe)));
    EXPECT_EQ(store.Header().ProductCode(), 20003u);
}

TEST(PackKindText, OnlyAaMeansSettings) {
    EXPECT_STREQ(k5::PackKindText(0xAA), "Software + Settings");
    EXPECT_STREQ(k5::PackKindText(0x00), "Software Only");
    EXPECT_STREQ(k5::PackKindText(0xAB), "Software Only");
}

}  // namespace
