// TComm on the fake device: line errors, modem events, line-settings calls,
// write failures and every way OpenComm can fail.
#include <gtest/gtest.h>

#include "SerialComm.h"
#include "comm_recorder.h"
#include "event_loop.h"
#include "fake_device.h"
#include "posix_port_io.h"

namespace {

using namespace std::chrono_literals;
using k5::serial::ECommsError;
using k5::serial::TComm;
using k5::test::CommEvent;
namespace msg = k5::serial::comm_message;

class CommFakeTest : public ::testing::Test {
  protected:
    CommFakeTest() { comm.SetCommName("COM1"); }

    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3000ms) {
        return loop.RunUntil(done, timeout);
    }
    std::string OpenError() {
        try {
            comm.OpenComm();
        } catch (const ECommsError& e) {
            return e.what();
        }
        return "";
    }
    // The reader has taken its first look at the driver's counters.
    bool ReaderStarted() {
        return RunUntil([&] {
            std::lock_guard lock(line->mutex);
            return static_cast<bool>(line->modem);
        });
    }
    void ExpectEverythingReleased() {
        EXPECT_FALSE(comm.IsOpen());
        std::lock_guard lock(line->mutex);
        EXPECT_EQ(line->opens, line->closes);
    }

    std::shared_ptr<k5::test::FakeSystem> backend = std::make_shared<k5::test::FakeSystem>();
    std::shared_ptr<k5::test::FakeLine> line = backend->line;
    k5::serial::EventLoop loop;
    TComm comm{loop, k5::serial::posix::PortsOver(backend)};
    k5::test::CommRecorder events{comm};
};

TEST_F(CommFakeTest, MarkedBytesReportLineErrorsAndReceptionGoesOn) {
    comm.OpenComm();
    line->SendFromWire({0x10, 0xFF, 0x00, 0x41, 0x11});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    ASSERT_EQ(events.Count(CommEvent::Error), 1u);
    EXPECT_EQ(events.Of(CommEvent::Error)[0].value, k5::serial::CE_FRAME);
    EXPECT_EQ(events.Of(CommEvent::Data)[0].bytes, (std::vector<std::uint8_t>{0x10, 0x41, 0x11}));
    auto position = [&](CommEvent::Kind kind) {
        return std::find_if(events.events.begin(), events.events.end(),
                            [kind](const CommEvent& e) { return e.kind == kind; }) -
               events.events.begin();
    };
    EXPECT_LT(position(CommEvent::Error), position(CommEvent::Data)) << "the error comes before its block";

    line->SendFromWire({0xFF, 0x00, 0x00, 0x22});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 2; }));
    EXPECT_EQ(events.Of(CommEvent::Error)[1].value, k5::serial::CE_BREAK);
    EXPECT_EQ(events.Of(CommEvent::Data)[1].bytes, (std::vector<std::uint8_t>{0x00, 0x22}));
}

TEST_F(CommFakeTest, DriverCountersNameTheErrorAndShowOverruns) {
    line->counters = k5::serial::LineCounters{};
    comm.OpenComm();
    ASSERT_TRUE(ReaderStarted());
    line->CountErrors([](auto& c) { ++c.parity; });
    line->SendFromWire({0xFF, 0x00, 0x55});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    EXPECT_EQ(events.Of(CommEvent::Error).at(0).value, k5::serial::CE_RXPARITY);

    line->CountErrors([](auto& c) {
        ++c.overrun;
        ++c.bufferOverrun;
    });
    line->SendFromWire({0x01});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 2; }));
    EXPECT_EQ(events.Of(CommEvent::Error).at(1).value, k5::serial::CE_OVERRUN | k5::serial::CE_RXOVER);
}

TEST_F(CommFakeTest, ModemChangesBecomeEvents) {
    comm.OpenComm();
    ASSERT_TRUE(ReaderStarted());
    ASSERT_TRUE(line->FireModem(k5::serial::kModemCarrierDetectChanged));
    ASSERT_TRUE(line->FireModem(k5::serial::kModemRing));
    ASSERT_TRUE(line->FireModem(12));
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Modem) == 3; }));
    const auto modem = events.Of(CommEvent::Modem);
    EXPECT_EQ(modem[0].value, 8u);
    EXPECT_EQ(modem[1].value, 4u);
    EXPECT_EQ(modem[2].value, 12u);
    comm.CloseComm();
    EXPECT_FALSE(line->FireModem(8)) << "the watch ends with the reader";
}

TEST_F(CommFakeTest, LineSettingsAreAppliedOnlyWhenTheyChange) {
    comm.OpenComm();
    ASSERT_EQ(line->AppliedCount(), 1u);
    EXPECT_EQ(line->LastApplied(), k5::serial::LineSettings{});

    comm.SetBaudRate(9600);  // equal: no device call
    comm.SetOutx_XonXoffFlow(true);
    EXPECT_EQ(line->AppliedCount(), 1u);

    comm.SetBaudRate(38400);
    ASSERT_EQ(line->AppliedCount(), 2u);
    EXPECT_EQ(line->LastApplied().baudRate, 38400u);

    comm.SetParity(k5::serial::TParity::Even);  // stored only
    EXPECT_EQ(line->AppliedCount(), 2u);
    comm.SetStopBits(k5::serial::TStopBits::_2);
    ASSERT_EQ(line->AppliedCount(), 3u);
    EXPECT_EQ(line->LastApplied().parity, k5::serial::TParity::Even);
    EXPECT_EQ(line->LastApplied().stopBits, k5::serial::TStopBits::_2);

    comm.SetReadIntervalTimeout(50);  // time-outs are not line settings
    EXPECT_EQ(line->AppliedCount(), 3u);

    comm.SetCommName("COM9");  // takes effect at the next open
    comm.SetLowLatency(true);
    EXPECT_EQ(line->lowLatencyRequests, 0) << "asked for at the next open";
    comm.CloseComm();
    comm.SetByteSize(k5::serial::TByteSize::_7);  // closed: stored
    EXPECT_EQ(line->AppliedCount(), 3u);
    comm.OpenComm();
    EXPECT_EQ(line->lowLatencyRequests, 1);
    EXPECT_EQ(line->openedPaths.back(), "COM9");
    EXPECT_EQ(line->LastApplied().byteSize, k5::serial::TByteSize::_7);
}

TEST_F(CommFakeTest, ChangedTimeoutsApplyToTheNextRead) {
    comm.SetReadIntervalTimeout(k5::serial::kTimeoutForever);  // return as soon as bytes are there
    comm.OpenComm();
    line->SendFromWire({0x42});
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    EXPECT_LT(events.events.back().at - sent, 95ms) << "well before the 100 ms interval";

    comm.SetReadIntervalTimeout(0);  // no interval: only the total ends a read
    comm.SetReadTotalTimeoutConstant(300);
    line->SendFromWire({0x43});  // completes the read armed under the old time-outs
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 2; }));
    const auto armed = std::chrono::steady_clock::now();
    line->SendFromWire({0x44});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 3; }));
    EXPECT_GE(events.events.back().at - armed, 250ms);
}

TEST_F(CommFakeTest, EmptyTotalTimeoutsDoNotStopReception) {
    comm.SetReadIntervalTimeout(0);
    comm.SetReadTotalTimeoutConstant(20);
    comm.OpenComm();
    loop.RunFor(150ms);  // several reads end empty
    line->SendFromWire({0x07});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    EXPECT_EQ(events.Count(CommEvent::Hangup), 0u);
}

TEST_F(CommFakeTest, AFailedWriteIsOneHangupAndEndsTheWriter) {
    comm.OpenComm();
    line->writeErrno = EIO;
    const std::uint8_t byte = 0x55;
    ASSERT_TRUE(comm.WriteComm(&byte, 1));
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Hangup) == 1; }));
    ASSERT_TRUE(RunUntil([&] { return !comm.WriteComm(&byte, 1); }, 1000ms));
    EXPECT_TRUE(comm.IsOpen());
    // Reception still works: only the writer ended.
    line->SendFromWire({0x01});
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Data) == 1; }));
    comm.CloseComm();
    loop.RunFor(50ms);
    EXPECT_EQ(events.Count(CommEvent::Hangup), 1u);
}

TEST_F(CommFakeTest, CutWireIsAHangup) {
    comm.OpenComm();
    line->CutWire();
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Hangup) == 1; }));
    loop.RunFor(100ms);
    EXPECT_EQ(events.Count(CommEvent::Hangup), 1u);
    comm.CloseComm();
    ExpectEverythingReleased();
}

TEST_F(CommFakeTest, EveryOpenFailureReleasesWhatItMade) {
    line->openError = EBUSY;
    EXPECT_EQ(OpenError(), msg::kCannotOpen);
    ExpectEverythingReleased();

    line->notATerminal = true;
    EXPECT_EQ(OpenError(), msg::kQueueSetupFailed);
    ExpectEverythingReleased();
    line->notATerminal = false;

    backend->failStopEvent = true;
    EXPECT_EQ(OpenError(), msg::kCannotCreateEvent);
    ExpectEverythingReleased();
    backend->failStopEvent = false;

    backend->failThread = 0;
    EXPECT_EQ(OpenError(), msg::kCannotCreateReader);
    ExpectEverythingReleased();

    backend->failThread = 1;
    EXPECT_EQ(OpenError(), msg::kCannotCreateWriter);
    ExpectEverythingReleased();

    EXPECT_EQ(OpenError(), "");
    EXPECT_TRUE(comm.IsOpen());
    const std::uint8_t byte = 0x33;
    ASSERT_TRUE(comm.WriteComm(&byte, 1));
    EXPECT_EQ(line->ReadWire(1, 2000), std::vector<std::uint8_t>{0x33});
}

TEST_F(CommFakeTest, MessagesAreStoredAsGbk) {
    EXPECT_EQ(std::string(msg::kAlreadyOpen), "\xB4\xCB\xB4\xAE\xBF\xDA\xD2\xD1\xBE\xAD\xB4\xF2\xBF\xAA");
    EXPECT_EQ(std::string(msg::kCannotCreateReader).size(), 14u);
}

TEST_F(CommFakeTest, DestroyingAnOpenComponentClosesItAndDropsItsNotifications) {
    auto other = std::make_unique<TComm>(loop, k5::serial::posix::PortsOver(backend));
    bool called = false;
    other->OnSendDataEmpty = [&](TComm*) { called = true; };
    other->OpenComm();
    std::this_thread::sleep_for(50ms);  // the empty notice is posted, not yet run
    other.reset();
    loop.RunFor(50ms);
    EXPECT_FALSE(called);
    std::lock_guard lock(line->mutex);
    EXPECT_EQ(line->opens, line->closes);
}

}  // namespace
