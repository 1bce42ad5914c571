#include <gtest/gtest.h>

#include <vector>

#include "iap_session.h"
#include "session_state.h"

namespace {

using k5::SessionState;

void Receive(SessionState& s, const std::vector<std::uint8_t>& block) {
    s.ReceiveBytes(block.data(), static_cast<std::uint16_t>(block.size()));
}

TEST(ReceiveHandler, SetsOneFlagPerAnswerByteAndNeverClears) {
    SessionState s;
    Receive(s, {0x55, 0xFD, 0x13});
    EXPECT_TRUE(s.GotFd);
    EXPECT_FALSE(s.GotStx || s.GotAck || s.GotEot);
    Receive(s, {0x02});
    Receive(s, {0x06, 0x04});
    EXPECT_TRUE(s.GotStx && s.GotFd && s.GotAck && s.GotEot);
    Receive(s, {0x00, 0x15});
    EXPECT_TRUE(s.GotStx && s.GotFd && s.GotAck && s.GotEot);
}

TEST(ReceiveHandler, LooksAtTheFirst400BytesOnly) {
    SessionState s;
    std::vector<std::uint8_t> block(500, 0x00);
    block[450] = 0x04;
    Receive(s, block);
    EXPECT_FALSE(s.GotEot);
    block[399] = 0x04;
    Receive(s, block);
    EXPECT_TRUE(s.GotEot);
}

TEST(ReceiveHandler, WakesAWaitingPoll) {
    SessionState s;
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Receive(s, {0x06});
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(s.WaitFor([&] { return s.GotAck.load(); }, std::chrono::seconds(5)),
              SessionState::WaitEnd::Done);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    setter.join();
}

TEST(SessionSpeed, BaudIndexMapping) {
    EXPECT_EQ(k5::SessionBaudRate(0), 38400u);
    EXPECT_EQ(k5::SessionBaudRate(1), 57600u);
    EXPECT_EQ(k5::SessionBaudRate(2), 115200u);
    EXPECT_EQ(k5::SessionBaudRate(-1), 38400u);
    EXPECT_EQ(k5::SessionBaudRate(7), 38400u);
    EXPECT_EQ(k5::ChunkDelayFactorFor(0), 300);
    EXPECT_EQ(k5::ChunkDelayFactorFor(1), 150);
    EXPECT_EQ(k5::ChunkDelayFactorFor(2), 50);
    EXPECT_EQ(k5::ChunkDelayFactorFor(3), 300);
}

}  // namespace
