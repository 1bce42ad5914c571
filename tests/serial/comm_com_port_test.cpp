// TComm on a real COM port: under Wine, COMn of the prefix leads to a
// pseudo-terminal whose far end is the Linux k5-sim playing a bootloader
// (started by the fixture in tests/windows/sim_fixture.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "SerialComm.h"
#include "comm_recorder.h"
#include "event_loop.h"

namespace {

using namespace std::chrono_literals;
using k5::serial::TComm;

class CommComPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* port = std::getenv("K5_TEST_COM");
        if (port == nullptr) GTEST_SKIP() << "K5_TEST_COM names no port with a simulator behind it";
        comm.SetCommName(port);
        comm.SetBaudRate(38400);
    }
    // Sends a probe and waits for the bootloader's two answer bytes.
    bool ProbeAnswered() {
        const std::size_t before = events.ReceivedBytes();
        const std::uint8_t probe = 0x02;
        if (!comm.WriteComm(&probe, 1)) return false;
        return loop.RunUntil([&] { return events.ReceivedBytes() >= before + 2; }, 3s);
    }

    k5::serial::EventLoop loop;
    TComm comm{loop};
    k5::test::CommRecorder events{comm};
};

TEST_F(CommComPortTest, AProbeIsAnsweredAndThePortClosesAndReopens) {
    comm.OpenComm();
    ASSERT_TRUE(comm.IsOpen());
    ASSERT_TRUE(ProbeAnswered());
    const auto data = events.Of(k5::test::CommEvent::Data);
    ASSERT_FALSE(data.empty());
    EXPECT_EQ(data.front().bytes.front(), 0x02);
    EXPECT_TRUE(data.front().zeroAfterBuffer);
    EXPECT_GE(events.Count(k5::test::CommEvent::Empty), 1u);
    EXPECT_THROW(comm.OpenComm(), k5::serial::ECommsError) << "already open";

    // A read and (where the driver has them) a wait for line events are pending: closing ends both.
    const auto start = std::chrono::steady_clock::now();
    comm.CloseComm();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(comm.WriteComm(reinterpret_cast<const std::uint8_t*>("x"), 1));

    for (int cycle = 0; cycle < 5; ++cycle) {
        comm.SetBaudRate(cycle % 2 ? 9600 : 38400);
        comm.OpenComm();
        comm.SetBaudRate(38400);  // applied at once while open
        if (cycle == 4) {
            EXPECT_TRUE(ProbeAnswered());
        }
        comm.CloseComm();
    }
    EXPECT_EQ(events.Count(k5::test::CommEvent::Hangup), 0u);
}

TEST_F(CommComPortTest, AMissingPortRaisesTheOpenErrorWithTheOsCode) {
    comm.SetCommName("COM250");
    try {
        comm.OpenComm();
        FAIL() << "opened";
    } catch (const k5::serial::ECommsError& e) {
        EXPECT_EQ(std::string(e.what()), "Opne Port Error\r\nmaybe port set is ircorrect");
        EXPECT_EQ(e.OsError(), 2) << "ERROR_FILE_NOT_FOUND";
    }
    EXPECT_FALSE(comm.IsOpen());
}

}  // namespace
