// TComm over the Win32 channel on an in-memory port: the paths a pty under
// Wine cannot show.
#include <gtest/gtest.h>

#include "SerialComm.h"
#include "comm_recorder.h"
#include "event_loop.h"
#include "port_error.h"
// After the component's headers: <windows.h> makes CE_* and EV_* macros.
#include "fake_comm_api.h"

namespace {

using namespace std::chrono_literals;
using k5::serial::ECommsError;
using k5::serial::TComm;
using k5::test::CommEvent;

class CommWin32FakeTest : public ::testing::Test {
  protected:
    CommWin32FakeTest() { comm.SetCommName("COM3"); }
    bool RunUntil(const std::function<bool()>& done) { return loop.RunUntil(done, 3s); }

    std::shared_ptr<k5::test::FakeCommApi> port = std::make_shared<k5::test::FakeCommApi>();
    k5::serial::EventLoop loop;
    TComm comm{loop, k5::serial::win32::PortsOver(port)};
    k5::test::CommRecorder events{comm};
};

TEST_F(CommWin32FakeTest, OpenFailuresRaiseTheirMessageAndReleaseThePort) {
    port->openError = ERROR_ACCESS_DENIED;  // what Windows answers for a port in use
    try {
        comm.OpenComm();
        FAIL() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_EQ(std::string(e.what()), k5::serial::comm_message::kCannotOpen);
        EXPECT_EQ(k5::platform::KindOfPortError(e.OsError()), k5::platform::PortErrorKind::InUse);
    }
    port->openError = 0;
    port->failSetupComm = true;
    try {
        comm.OpenComm();
        FAIL() << "opened";
    } catch (const ECommsError& e) {
        EXPECT_EQ(std::string(e.what()), k5::serial::comm_message::kQueueSetupFailed);
    }
    EXPECT_EQ(port->Closes(), 1) << "the handle SetupComm refused is closed";
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommWin32FakeTest, LineSettingsRebuildTheFlagsWordAndTimeoutsAreApplied) {
    comm.SetBaudRate(38400);
    comm.OpenComm();
    const DCB dcb = port->Dcb();
    EXPECT_EQ(dcb.BaudRate, 38400u);
    EXPECT_TRUE(dcb.fBinary && dcb.fOutX && dcb.fInX && dcb.fTXContinueOnXoff);
    EXPECT_FALSE(dcb.fAbortOnError || dcb.fDsrSensitivity || dcb.fParity) << "not merged with the driver's";
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.XonLim, 500);
    EXPECT_EQ(dcb.XonChar, 0x11);
    EXPECT_EQ(port->Timeouts().ReadIntervalTimeout, 100u);
    comm.SetRtsControl(k5::serial::TRtsControl::RtsTransmissionAvailable);
    EXPECT_EQ(port->Dcb().fRtsControl, static_cast<DWORD>(RTS_CONTROL_TOGGLE));

    const std::uint8_t frame[] = {0x06, 0xFF, 0xFF};
    ASSERT_TRUE(comm.WriteComm(frame, 3));
    ASSERT_TRUE(RunUntil([&] { return port->Written().size() == 3; }));
    comm.CloseComm();
    EXPECT_EQ(port->Closes(), 1);
}

TEST_F(CommWin32FakeTest, LineEventsAndDataReachTheirEvents) {
    comm.OpenComm();
    port->LineEvent(EV_ERR | EV_RLSD, CE_FRAME | CE_OVERRUN);
    port->LineEvent(EV_RING);
    port->Receive({0x02, 0xFD});
    ASSERT_TRUE(RunUntil([&] { return events.ReceivedBytes() == 2 && events.Count(CommEvent::Modem) == 2; }));
    const auto errors = events.Of(CommEvent::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].value, static_cast<std::uint32_t>(CE_FRAME | CE_OVERRUN));
    const auto modem = events.Of(CommEvent::Modem);
    EXPECT_EQ(modem[0].value, 8u);  // carrier detect
    EXPECT_EQ(modem[1].value, 4u);  // ring
    EXPECT_LT(errors[0].at, modem[0].at) << "the error before the modem change of the same event";
    EXPECT_TRUE(events.Of(CommEvent::Data)[0].zeroAfterBuffer);

    port->LineEvent(0);  // an empty mask: the device is gone
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Hangup) == 1; }));
    comm.CloseComm();
}

TEST_F(CommWin32FakeTest, AFailedWriteHangsUpOnceAndClosesTheWritersQueue) {
    comm.OpenComm();
    port->writeError = ERROR_GEN_FAILURE;
    const std::uint8_t probe = 0x02;
    ASSERT_TRUE(comm.WriteComm(&probe, 1));
    ASSERT_TRUE(RunUntil([&] { return events.Count(CommEvent::Hangup) == 1; }));
    EXPECT_TRUE(RunUntil([&] { return !comm.WriteComm(&probe, 1); }))
        << "the ended writer takes no more blocks";
    comm.CloseComm();
    EXPECT_EQ(events.Count(CommEvent::Hangup), 1u);
}

TEST_F(CommWin32FakeTest, ADeviceWithoutLineEventsStillDeliversData) {
    port->lineEventsSupported = false;  // a pty under Wine, some virtual COM drivers
    comm.OpenComm();
    port->Receive({0x06, 0x04});
    ASSERT_TRUE(RunUntil([&] { return events.ReceivedBytes() == 2; }));
    EXPECT_EQ(events.Count(CommEvent::Hangup), 0u);
    comm.CloseComm();
}

}  // namespace
