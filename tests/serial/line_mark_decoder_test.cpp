#include "line_mark_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using k5::serial::LineMarkDecoder;

struct Decoded {
    std::vector<std::uint8_t> bytes;
    LineMarkDecoder::Marks marks;
};

Decoded Feed(LineMarkDecoder& d, const std::vector<std::uint8_t>& in) {
    Decoded out;
    out.bytes.resize(in.size() + d.PendingOutput());
    out.bytes.resize(d.Feed(in.data(), in.size(), out.bytes.data(), out.marks));
    return out;
}

TEST(LineMarkDecoder, UndoesDoublingAndCountsMarks) {
    LineMarkDecoder d;
    auto r = Feed(d, {0x01, 0xFF, 0xFF, 0x02, 0xFF, 0x00, 0x33, 0xFF, 0x00, 0x00, 0x04});
    EXPECT_EQ(r.bytes, (std::vector<std::uint8_t>{0x01, 0xFF, 0x02, 0x33, 0x00, 0x04}));
    EXPECT_EQ(r.marks.errors, 2u);
    EXPECT_EQ(r.marks.breaks, 1u);
}

TEST(LineMarkDecoder, MarksSplitAcrossReads) {
    LineMarkDecoder d;
    EXPECT_TRUE(Feed(d, {0xFF}).bytes.empty());
    EXPECT_EQ(d.PendingOutput(), 1u);
    EXPECT_TRUE(Feed(d, {0x00}).bytes.empty());
    auto r = Feed(d, {0x7E});
    EXPECT_EQ(r.bytes, std::vector<std::uint8_t>{0x7E});
    EXPECT_EQ(r.marks.errors, 1u);

    EXPECT_TRUE(Feed(d, {0xFF}).bytes.empty());
    EXPECT_EQ(Feed(d, {0xFF}).bytes, std::vector<std::uint8_t>{0xFF});
    // A lone 0xFF from a driver that does not double keeps both bytes.
    EXPECT_TRUE(Feed(d, {0xFF}).bytes.empty());
    EXPECT_EQ(Feed(d, {0x41}).bytes, (std::vector<std::uint8_t>{0xFF, 0x41}));
}

}  // namespace
