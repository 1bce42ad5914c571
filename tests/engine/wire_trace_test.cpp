#include "wire_trace.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace {

const std::string kTrace = std::string(k5::kWireTraceFirstLine) +
                           "\n"
                           "tool k5-iap 5.2 linux\n"
                           "0 mode standard\n"
                           "15 open /dev/pts/3 115200\n"
                           "200431 tx probe 02\n"
                           "301877 rx 02 FD\n"
                           "912004 tx chunk 63\n"
                           "912100 tx chunk 64 len 8\n"
                           "912200 tx chunk 65 9A 41\n"
                           "9120155 end Program sucessully\n";

TEST(WireTrace, ReadsEveryEventAndNamesTheFirstLineThatIsNone) {
    const auto whole = k5::ParseWireTrace(kTrace);
    EXPECT_EQ(whole.badLine, 0);
    EXPECT_TRUE(whole.ended);
    ASSERT_EQ(whole.events.size(), 8u);
    EXPECT_EQ(whole.events[1].baud, 115200u);
    EXPECT_EQ(whole.events[3].bytes, (std::vector<std::uint8_t>{0x02, 0xFD}));
    EXPECT_EQ(whole.events[4].chunk, 63u);
    EXPECT_EQ(whole.events[6].bytes, (std::vector<std::uint8_t>{0x9A, 0x41}));

    const auto cut = k5::ParseWireTrace(kTrace.substr(0, kTrace.find("912004")));
    EXPECT_FALSE(cut.ended);
    EXPECT_EQ(cut.events.size(), 4u);

    for (const char* bad : {"301877 rx 02 FDX\n", "301877 rx\n", "x301877 rx 02\n", "12 tx nothing 02\n",
                            "12 tx chunk\n", "12 wink\n", "12 open COM3 fast\n"}) {
        std::string text = kTrace;
        text.insert(text.find("912004"), bad);
        EXPECT_EQ(k5::ParseWireTrace(text).badLine, 7) << bad;
    }
    EXPECT_TRUE(k5::ParseWireTrace("name,serial\n").badLine != 0);
    EXPECT_TRUE(k5::ParseWireTrace("\n").events.empty());
}

// A replay waits as long as the trace says: a time no session reaches is no trace line.
TEST(WireTrace, ATimeLaterThanAnySessionIsRefused) {
    const auto late = k5::ParseWireTrace("0 tx probe 02\n9223372036854775807 rx 06\n");
    EXPECT_EQ(late.badLine, 2);
    EXPECT_TRUE(late.badTime);
    EXPECT_EQ(k5::ParseWireTrace("86400000000 rx 06\n").badLine, 0) << "a day is the most";
    EXPECT_FALSE(k5::ParseWireTrace("12 wink\n").badTime);
}

TEST(WireTrace, ReplacesOnlyAnEarlierTrace) {
    k5::test::TempDir dir;
    const std::string pack("\x5A\x00 not a trace", 15);
    dir.WriteText("fw.Pack", pack);
    k5::WireTrace onPack(dir.File("fw.Pack"), "k5-iap 5.2 test", false);
    EXPECT_TRUE(onPack.Failed());
    EXPECT_TRUE(onPack.NotATrace());
    onPack.Log("Programing...");
    EXPECT_EQ(dir.ReadText("fw.Pack"), pack);

    dir.WriteText("trace.txt", kTrace);
    k5::WireTrace again(dir.File("trace.txt"), "k5-iap 5.2 test", false);
    EXPECT_FALSE(again.Failed());
    again.End("Stopped");
    const std::string text = dir.ReadText("trace.txt");
    EXPECT_EQ(text.find(kTrace), std::string::npos);
    EXPECT_NE(text.find("tool k5-iap 5.2 test\n"), std::string::npos) << text;
}

}  // namespace
