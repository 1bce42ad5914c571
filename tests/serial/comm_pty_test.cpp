// TComm on pseudo-terminals: the data path, speeds, XON/XOFF and hang-up.
#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "SerialComm.h"
#include "comm_recorder.h"
#include "event_loop.h"
#include "pty.h"

namespace {

using namespace std::chrono_literals;
using k5::serial::ECommsError;
using k5::serial::TComm;
using k5::test::CommEvent;

constexpr std::uint8_t kXon = 0x11;
constexpr std::uint8_t kXoff = 0x13;

class CommPtyTest : public ::testing::Test {
  protected:
    CommPtyTest() { comm.SetCommName(pty.SlavePath()); }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3000ms) {
        return loop.RunUntil(done, timeout);
    }
    bool Write(const std::vector<std::uint8_t>& bytes) {
        return comm.WriteComm(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }

    k5::test::PseudoTerminal pty;
    k5::serial::EventLoop loop;
    TComm comm{loop};
    k5::test::CommRecorder events{comm};
};

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 1) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(0x20 + (i * 7 + seed) % 0x50);
    return v;  // stays clear of 0xFF and of the XON/XOFF characters
}

TEST_F(CommPtyTest, OpensClosesAndReopensAtAnotherSpeed) {
    const termios before = pty.SlaveAttributes();
    comm.SetBaudRate(38400);
    comm.OpenComm();
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(pty.SlaveSpeed(), B38400);
    const auto t = pty.SlaveAttributes();
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));

    comm.SetBaudRate(57600);  // applied at once while open
    EXPECT_EQ(pty.SlaveSpeed(), B57600);
    comm.CloseComm();
    EXPECT_FALSE(comm.IsOpen());
    // The device gets back the settings it had before (a terminal stays usable).
    EXPECT_EQ(pty.SlaveSpeed(), cfgetospeed(&before));
    EXPECT_EQ(pty.SlaveAttributes().c_lflag, before.c_lflag);
    EXPECT_EQ(pty.SlaveAttributes().c_iflag, before.c_iflag);
    comm.CloseComm();  // twice is harmless

    comm.SetBaudRate(9600);
    comm.OpenComm();
    EXPECT_EQ(pty.SlaveSpeed(), B9600);
    ASSERT_TRUE(Write({'h', 'i'}));
    EXPECT_EQ(pty.Read(2, 2000ms), (std::vector<std::uint8_t>{'h', 'i'}));

    comm.SetBaudRate(250000);  // not a standard rate: termios2, or ignored by the driver
    ASSERT_TRUE(Write({'!'}));
    EXPECT_EQ(pty.Read(1, 2000ms).size(), 1u);
}

TEST_F(CommPtyTest, SecondOpenOfTheSameDeviceFailsAndTheFirstKeepsWorking) {
    comm.OpenComm();
    try {
        comm.OpenComm();
        FAIL() << "open twice";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), k5::serial::comm_message::kAlreadyOpen);
    }
    TComm second(loop);
    second.SetCommName(pty.SlavePath());
    try {
        second.OpenComm();
        FAIL() << "second component opened a held device";
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), "Opne Port Error\r\nmaybe port set is ircorrect");
    }
    EXPECT_FALSE(second.IsOpen());
    ASSERT_TRUE(Write({1, 2, 3}));
    EXPECT_EQ(pty.Read(3, 2000ms).size(), 3u);

    comm.CloseComm();
    second.OpenComm();  // free again once closed
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(CommPtyTest, UnknownDeviceFailsAndALaterGoodNameOpens) {
    comm.SetCommName("/dev/k5-no-such-device");
    EXPECT_THROW(comm.OpenComm(), ECommsError);
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(Write({1}));
    comm.SetCommName(pty.SlavePath());
    comm.OpenComm();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommPtyTest, NotAStreamDeviceIsNotASerialPort) {
    comm.SetCommName("/dev/null");
    try {
        comm.OpenComm();
        FAIL();
    } catch (const ECommsError& e) {
        EXPECT_STREQ(e.what(), k5::serial::comm_message::kQueueSetupFailed);
    }
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommPtyTest, BlocksGoOutWholeInOrderWithOneEmptyNoticeAndXoffHoldsThem) {
    comm.OpenComm();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Empty) == 1; }));
    EXPECT_TRUE(pty.Read(1, 100ms).empty()) << "nothing is sent at open";

    pty.Write({kXoff});
    std::this_thread::sleep_for(50ms);
    const auto a = Pattern(300, 1), b = Pattern(3000, 2), c = Pattern(5, 3);
    ASSERT_TRUE(Write(a));
    ASSERT_TRUE(Write(b));
    ASSERT_TRUE(Write(c));
    EXPECT_TRUE(pty.Read(1, 300ms).empty()) << "XOFF holds the output";
    loop.RunPending();
    EXPECT_EQ(events.Count(CommEvent::Empty), 1u);

    pty.Write({kXon});
    auto got = pty.Read(a.size() + b.size() + c.size(), 3000ms);
    std::vector<std::uint8_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), c.begin(), c.end());
    EXPECT_EQ(got, expected);
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Empty) == 2; }));
    loop.RunFor(100ms);
    EXPECT_EQ(events.Count(CommEvent::Empty), 2u);
}

TEST_F(CommPtyTest, ABurstArrivesAs4096ThenTheRest100msAfterTheLastByte) {
    comm.OpenComm();
    const auto burst = Pattern(5000, 9);
    pty.Write(burst);
    const auto wrote = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunUntil([&] { return events.ReceivedBytes() >= 5000; }));
    const auto data = events.Of(CommEvent::Data);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[0].bytes.size(), 4096u);
    EXPECT_EQ(data[1].bytes.size(), 904u);
    std::vector<std::uint8_t> joined = data[0].bytes;
    joined.insert(joined.end(), data[1].bytes.begin(), data[1].bytes.end());
    EXPECT_EQ(joined, burst);
    EXPECT_TRUE(data[0].zeroAfterBuffer && data[1].zeroAfterBuffer);
    const auto delay = data[1].at - wrote;
    EXPECT_GE(delay, 95ms);
    EXPECT_LT(delay, 600ms);
}

TEST_F(CommPtyTest, ASingleByteArrivesAbout100msAfterIt) {
    comm.OpenComm();
    loop.RunFor(20ms);
    pty.Write({0x06});
    const auto wrote = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    const auto e = events.Of(CommEvent::Data)[0];
    EXPECT_EQ(e.bytes, (std::vector<std::uint8_t>{0x06}));
    EXPECT_GE(e.at - wrote, 95ms);
    EXPECT_LT(e.at - wrote, 600ms);
}

TEST_F(CommPtyTest, EveryByteValueCrossesBothWays) {
    comm.SetOutx_XonXoffFlow(false);  // else XON/XOFF from the far end are flow control
    comm.OpenComm();
    std::vector<std::uint8_t> all(256);
    std::iota(all.begin(), all.end(), 0);
    pty.Write(all);
    pty.Write({0xFF, 0x00, 0x41, 0xFF, 0xFF});  // looks like marks, is data
    ASSERT_TRUE(RunUntil([&] { return events.ReceivedBytes() >= 261; }));
    std::vector<std::uint8_t> got;
    for (const auto& e : events.Of(CommEvent::Data)) got.insert(got.end(), e.bytes.begin(), e.bytes.end());
    auto expected = all;
    expected.insert(expected.end(), {0xFF, 0x00, 0x41, 0xFF, 0xFF});
    EXPECT_EQ(got, expected);
    EXPECT_EQ(events.Count(CommEvent::Error), 0u);

    ASSERT_TRUE(Write(all));
    EXPECT_EQ(pty.Read(256, 2000ms), all);
}

TEST_F(CommPtyTest, CloseDuringALongWriteAbandonsItQuietly) {
    comm.OpenComm();
    pty.Write({kXoff});
    std::this_thread::sleep_for(50ms);
    const auto big = Pattern(60000);
    ASSERT_TRUE(Write(big));
    ASSERT_TRUE(Write(big));
    std::this_thread::sleep_for(100ms);
    const auto start = std::chrono::steady_clock::now();
    comm.CloseComm();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    loop.RunFor(100ms);
    EXPECT_EQ(events.Count(CommEvent::Hangup), 0u);
    EXPECT_FALSE(Write({1}));
}

TEST_F(CommPtyTest, FarEndGoingAwayIsOneHangupAndThePortStaysOpen) {
    comm.OpenComm();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Empty) == 1; }));
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Hangup) == 1; }));
    EXPECT_TRUE(comm.IsOpen());
    // The writer has ended too: nothing more is queued.
    ASSERT_TRUE(RunUntil([&] { return !Write({1}); }, 2000ms));
    loop.RunFor(200ms);
    EXPECT_EQ(events.Count(CommEvent::Hangup), 1u);
    const auto start = std::chrono::steady_clock::now();
    comm.CloseComm();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommPtyTest, NotificationsPostedBeforeCloseStillArriveAfterIt) {
    comm.OpenComm();
    loop.RunFor(20ms);
    pty.Write({0x02, 0xFD});
    std::this_thread::sleep_for(40ms);  // read by the component, block not yet complete
    comm.CloseComm();
    EXPECT_EQ(events.Count(CommEvent::Data), 0u) << "events never run inside CloseComm";
    comm.OpenComm();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    EXPECT_EQ(events.Of(CommEvent::Data)[0].bytes, (std::vector<std::uint8_t>{0x02, 0xFD}));
}

TEST_F(CommPtyTest, WritesNeedAnOpenPortAndBytes) {
    EXPECT_FALSE(Write({1, 2}));
    comm.OpenComm();
    EXPECT_FALSE(comm.WriteComm(reinterpret_cast<const std::uint8_t*>("x"), 0));
    EXPECT_TRUE(Write({1}));
}

TEST_F(CommPtyTest, ResolverTurnsComNamesIntoDevices) {
    comm.SetCommName("COM4");
    std::string asked;
    comm.SetPortResolver([&](const std::string& name) {
        asked = name;
        return pty.SlavePath();
    });
    comm.OpenComm();
    EXPECT_EQ(asked, "COM4");
    EXPECT_EQ(comm.DevicePath(), pty.SlavePath());
}

TEST_F(CommPtyTest, ConstructorDefaults) {
    TComm fresh(loop);
    EXPECT_EQ(fresh.CommName(), "COM2");
    EXPECT_EQ(fresh.BaudRate(), 9600u);
    EXPECT_FALSE(fresh.ParityCheck());
    EXPECT_TRUE(fresh.TxContinueOnXoff());
    EXPECT_TRUE(fresh.Outx_XonXoffFlow());
    EXPECT_TRUE(fresh.Inx_XonXoffFlow());
    EXPECT_EQ(fresh.DtrControl(), k5::serial::TDtrControl::DtrEnable);
    EXPECT_EQ(fresh.RtsControl(), k5::serial::TRtsControl::RtsEnable);
    EXPECT_EQ(fresh.XonLimit(), 500);
    EXPECT_EQ(fresh.XoffLimit(), 500);
    EXPECT_EQ(fresh.ByteSize(), k5::serial::TByteSize::_8);
    EXPECT_EQ(fresh.Parity(), k5::serial::TParity::None);
    EXPECT_EQ(fresh.StopBits(), k5::serial::TStopBits::_1);
    EXPECT_EQ(fresh.XonChar(), 0x11);
    EXPECT_EQ(fresh.XoffChar(), 0x13);
    EXPECT_EQ(fresh.ReadIntervalTimeout(), 100u);
    EXPECT_EQ(fresh.ReadTotalTimeoutConstant(), 0u);
    EXPECT_FALSE(fresh.IsOpen());
}

}  // namespace
