#include "header_block.h"

#include <gtest/gtest.h>

namespace {

TEST(HeaderBlock, LowByteFirstAfterFfFfAndBackAgain) {
    const k5::HeaderBlockBytes bytes = k5::EncodeHeaderBlock({0x00012345, 0x89ABCDEF, 0x5A, 2});
    EXPECT_EQ(bytes,
              (k5::HeaderBlockBytes{0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00, 0xEF, 0xCD, 0xAB, 0x89, 0x5A, 0x02}));
    const auto back = k5::DecodeHeaderBlock(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->imageLength, 0x00012345u);
    EXPECT_EQ(back->imageSum, 0x89ABCDEFu);
    EXPECT_EQ(back->transferKey, 0x5A);
    EXPECT_EQ(back->baudIndex, 2);

    k5::HeaderBlockBytes unmarked = bytes;
    unmarked[1] = 0xFE;
    EXPECT_FALSE(k5::DecodeHeaderBlock(unmarked)) << "a block must start with FF FF";
}

}  // namespace
