// Every outcome of a programming session, on an in-memory port with the
// simulated controller behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "session_advice.h"
#include "session_harness.h"

namespace {

using namespace std::chrono_literals;
using k5::SessionOutcome;
using SessionHarness = k5::test::MemorySessionHarness;
namespace log = k5::session_log;
using Lines = std::vector<std::string>;

// Every outcome in the standard and in the fast transfer mode.
class Outcome : public ::testing::TestWithParam<bool> {
  protected:
    static k5::sim::PackRecipe Recipe(std::size_t length = 2064) {
        return SessionHarness::DefaultRecipe(length);
    }
    k5::TransferMode Mode() const { return {GetParam(), k5::kDefaultAckGuard}; }
    // The session's log: a fast session says so first.
    Lines Log(Lines lines) const {
        if (GetParam()) lines.insert(lines.begin(), k5::FastTransferLogLine(k5::kDefaultAckGuard));
        return lines;
    }
};

std::size_t CountAt(const k5::sim::SimReport& r, std::uint32_t baud, std::uint8_t value) {
    return static_cast<std::size_t>(std::count_if(r.received.begin(), r.received.end(), [&](const auto& b) {
        return b.baud == baud && b.value == value;
    }));
}
std::size_t BytesAt(const k5::sim::SimReport& r, std::uint32_t baud) {
    return static_cast<std::size_t>(
        std::count_if(r.received.begin(), r.received.end(), [&](const auto& b) { return b.baud == baud; }));
}
// Probes before the header command. The sixth probe of a round is queued just
// before the port closes for the restart, so it may never reach the line.
std::size_t ProbesBeforeHeader(const k5::sim::SimReport& r) {
    std::size_t probes = 0;
    for (const auto& b : r.received) {
        if (b.baud != 38400) continue;
        if (b.value == 0x06) break;
        probes += b.value == 0x02;
    }
    return probes;
}
// The entry command is the only thing sent at 9600 baud (a late probe aside).
std::size_t EntryBytes(const k5::sim::SimReport& r) { return BytesAt(r, 9600) - CountAt(r, 9600, 0x02); }

TEST_P(Outcome, BootloaderAnswersAtOnce) {
    SessionHarness h(SessionHarness::Unpaced(), Recipe(), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kIdentified, log::kProgramming, log::kSuccess}));
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::Programmed);
    const auto report = h.port.Report();
    EXPECT_TRUE(report.imageMatches);
    EXPECT_EQ(report.headerLength, 2064u);
    EXPECT_EQ(report.headerKey, 0x3D);
    EXPECT_EQ(report.headerBaudIndex, 0);
    EXPECT_EQ(report.entryCommands, 0);
    EXPECT_EQ(BytesAt(report, 9600), 0u);
    EXPECT_FALSE(h.port.IsOpen());
    EXPECT_FALSE(h.session.Running());
}

TEST_P(Outcome, FirmwareRestartsIntoTheBootloader) {
    auto options = SessionHarness::Unpaced();
    options.firmware = true;
    SessionHarness h(options, Recipe(), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kRestarting, log::kProgramming, log::kSuccess}));
    const auto report = h.port.Report();
    EXPECT_EQ(report.entryCommands, 1);
    EXPECT_EQ(EntryBytes(report), 21u) << "the entry command goes at 9600 baud, once";
    const auto probes = ProbesBeforeHeader(report);
    EXPECT_TRUE(probes == 7 || probes == 6) << probes << ": six unanswered probes, then one answered";
    EXPECT_TRUE(report.imageMatches);
}

TEST_P(Outcome, NoBootloaderAtAll) {
    auto options = SessionHarness::Unpaced();
    options.noProbeAnswer = true;
    SessionHarness h(options, Recipe(), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kRestarting, log::kConnectFail}));
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::ConnectFail);
    const auto report = h.port.Report();
    const auto probes = CountAt(report, 38400, 0x02);
    EXPECT_TRUE(probes == 12 || probes == 11) << probes;
    EXPECT_EQ(BytesAt(report, 38400), probes) << "nothing but probes at the session speed";
    EXPECT_EQ(EntryBytes(report), 21u);
    // Two rounds of five 0.5 s windows, the restart's 0.2 + 0.5 + 1.5 s, two 0.2 s settles, closing 0.6 s.
    EXPECT_GE(h.elapsed, 7800ms);
    EXPECT_LT(h.elapsed, 15s);
    EXPECT_FALSE(h.port.IsOpen());
}

TEST_P(Outcome, PortThatCannotBeOpened) {
    SessionHarness h(SessionHarness::Unpaced(), Recipe(), Mode());
    h.port.RefuseOpens({"/dev/k5-not-there", ENOENT});
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kPortError}));
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::PortError);
    EXPECT_EQ(h.session.FailedDevice(), "/dev/k5-not-there");
    EXPECT_EQ(h.session.FailedDeviceError(), ENOENT);
    EXPECT_FALSE(h.session.Flags().PortOk.load());
}

TEST_P(Outcome, HeaderNotAcknowledged) {
    auto options = SessionHarness::Unpaced();
    options.noHeaderAck = true;
    SessionHarness h(options, Recipe(), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kIdentified, log::kProgramming, log::kProgramFail,
                                 log::kPowerCycle}));
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::TransferFail);
    EXPECT_TRUE(h.port.Report().data.empty()) << "no image after an unacknowledged header";
}

TEST_P(Outcome, AnAcknowledgementFromTheConnectionCountsForTheHeader) {
    auto options = SessionHarness::Unpaced();
    options.noHeaderAck = true;
    options.ackWithProbeReply = true;
    SessionHarness h(options, Recipe(), Mode());
    EXPECT_EQ(h.Run().back(), log::kSuccess);
}

TEST_P(Outcome, BlockAcknowledgementRunsOut) {
    auto options = SessionHarness::Unpaced();
    options.ackBlocks = 1;
    SessionHarness h(options, Recipe(4096), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kIdentified, log::kProgramming, log::kProgramFail,
                                 log::kPowerCycle}));
    // The transfer stops at the unacknowledged second block, without resending.
    const auto report = h.port.Report();
    EXPECT_EQ(BytesAt(report, 38400), 1u + 1u + 12u + 2048u);
}

TEST_P(Outcome, NoVerdict) {
    auto options = SessionHarness::Unpaced();
    options.noVerdict = true;
    SessionHarness h(options, Recipe(), Mode());
    EXPECT_EQ(h.Run(), Log(Lines{log::kConnecting, log::kIdentified, log::kProgramming, log::kVerdictFail}));
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::VerdictFail);
}

TEST_P(Outcome, A0x04BeforeTheLastChunkIsNotTheVerdict) {
    auto options = SessionHarness::Unpaced();
    options.noVerdict = true;
    options.eotWithAcks = true;
    SessionHarness h(options, Recipe(),
                     Mode());  // 129 chunks: the last acknowledgement comes before the last chunk
    EXPECT_EQ(h.Run().back(), log::kVerdictFail);
}

TEST_P(Outcome, AwkwardButWorkingControllers) {
    for (auto probeReply : {k5::sim::ProbeReply::SplitBlocks, k5::sim::ProbeReply::SplitProbes}) {
        auto options = SessionHarness::Unpaced();
        options.probeReply = probeReply;
        options.noise = true;
        options.flashDelayMs = 300;
        SessionHarness h(options, Recipe(), Mode());
        EXPECT_EQ(h.Run().back(), log::kSuccess) << static_cast<int>(probeReply);
    }
}

TEST_P(Outcome, VerdictInTheSameBlockAsTheLastAcknowledgementCounts) {
    // 64 chunks: the last 0x06 and the 0x04 50 ms later reach the port as one block.
    auto options = SessionHarness::Unpaced();
    options.flashDelayMs = 150;
    options.verifyDelayMs = 200;
    SessionHarness h(options, Recipe(1024), Mode());
    EXPECT_EQ(h.Run().back(), log::kSuccess);
    EXPECT_EQ(h.session.LastOutcome(), SessionOutcome::Programmed);
}

TEST_P(Outcome, UnpluggedCableEndsWithinASecondInEveryPhase) {
    struct Case {
        const char* phase;
        bool firmware;
        long unplugAfter;  // bytes the controller receives before the line goes
        Lines tail;        // the lines after "Conntectting MCU...."
    };
    const Case cases[] = {
        {"connect", false, 1, {log::kRestarting, log::kConnectFail}},
        {"restart", true, 10, {log::kRestarting, log::kConnectFail}},
        {"header", false, 5, {log::kIdentified, log::kProgramming, log::kProgramFail, log::kPowerCycle}},
        {"image", false, 600, {log::kIdentified, log::kProgramming, log::kProgramFail, log::kPowerCycle}},
        {"verdict", false, 1 + 1 + 12 + 4000, {log::kIdentified, log::kProgramming, log::kVerdictFail}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.phase);
        auto options = SessionHarness::Unpaced();
        options.firmware = c.firmware;
        options.unplugAfterBytes = c.unplugAfter;
        SessionHarness h(options, Recipe(4000), Mode());  // no acknowledgement at the end
        Lines expected = Log({log::kConnecting});
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_EQ(h.Run(), expected);
        ASSERT_EQ(h.port.HangUps(), 1);
        EXPECT_LT(h.ended - h.port.FirstHangUp(), 1s) << "every wait, fixed ones too, ends with the hang-up";
        EXPECT_FALSE(h.port.IsOpen());
        EXPECT_FALSE(h.session.Flags().PortLost()) << "the next session starts afresh";
    }
}

TEST_P(Outcome, ConfiguredPortNumberNamesThePort) {
    SessionHarness h(SessionHarness::Unpaced(), Recipe(), Mode());
    h.dir.WriteText("eBikeSet.ini", "[Uart]\nPort=7\n");
    EXPECT_EQ(h.Run().back(), log::kSuccess);
    EXPECT_EQ(h.port.Name(), "COM7");
    EXPECT_EQ(h.port.Baud(), 38400u);
}

TEST_P(Outcome, TwoSessionsSideBySideKeepToTheirOwnPorts) {
    auto failing = SessionHarness::Unpaced();
    failing.noHeaderAck = true;
    SessionHarness good(SessionHarness::Unpaced(), Recipe(8192), Mode());
    SessionHarness bad(failing, Recipe(4096), Mode());
    ASSERT_TRUE(good.session.BeginSession());
    ASSERT_TRUE(bad.session.BeginSession());
    ASSERT_TRUE(good.session.WaitUntilIdle(60s));
    ASSERT_TRUE(bad.session.WaitUntilIdle(60s));

    EXPECT_EQ(good.session.LastOutcome(), SessionOutcome::Programmed);
    EXPECT_EQ(good.view.Logs(),
              Log(Lines{log::kConnecting, log::kIdentified, log::kProgramming, log::kSuccess}));
    EXPECT_TRUE(good.port.Report().imageMatches);
    EXPECT_EQ(good.port.Report().headerLength, 8192u);
    EXPECT_EQ(bad.session.LastOutcome(), SessionOutcome::TransferFail);
    EXPECT_EQ(bad.view.Logs().back(), log::kPowerCycle);
    EXPECT_EQ(bad.port.Report().headerLength, 4096u) << "each controller saw its own session's header";
    EXPECT_FALSE(good.port.IsOpen());
    EXPECT_FALSE(bad.port.IsOpen());
}

// A bootloader still writing flash after it acknowledges loses what arrives too
// soon: the standard timing's 100 ms covers it, fast mode needs a guard as long.
TEST(BusyBootloader, FastModeNeedsAGuardAsLongAsTheWriteAndFailsCleanlyWithout) {
    struct Case {
        bool fast;
        int guardMs;
        int busyMs;
        SessionOutcome outcome;
    };
    const Case cases[] = {
        {false, 0, 90, SessionOutcome::Programmed},
        {true, 20, 20, SessionOutcome::Programmed},
        {true, 5, 20, SessionOutcome::TransferFail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.fast ? "fast, guard " : "standard, guard ") + std::to_string(c.guardMs) +
                     " ms, busy " + std::to_string(c.busyMs) + " ms");
        auto options = SessionHarness::Unpaced();
        options.busyAfterAckMs = c.busyMs;
        SessionHarness h(options, SessionHarness::DefaultRecipe(4096),
                         {c.fast, std::chrono::milliseconds(c.guardMs)});
        const Lines logs = h.Run();
        EXPECT_EQ(h.session.LastOutcome(), c.outcome);
        const auto report = h.port.Report();
        if (c.outcome == SessionOutcome::Programmed) {
            EXPECT_TRUE(report.imageMatches);
            EXPECT_EQ(report.lostWhileBusy, 0);
        } else {
            EXPECT_GT(report.lostWhileBusy, 0);
            EXPECT_EQ(std::count(logs.begin(), logs.end(), log::kSuccess), 0);
            EXPECT_EQ(logs.back(), log::kPowerCycle);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Session, Outcome, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FastMode" : "StandardMode"; });

}  // namespace

namespace {

using k5::SessionStep;

TEST(SessionAdvice, FirmwareIsIncompleteOnceTheTransferHadBegun) {
    using k5::FirmwareLeftIncomplete;
    EXPECT_TRUE(FirmwareLeftIncomplete(SessionOutcome::TransferFail, SessionStep::Header));
    EXPECT_TRUE(FirmwareLeftIncomplete(SessionOutcome::VerdictFail, SessionStep::Verdict));
    EXPECT_TRUE(FirmwareLeftIncomplete(SessionOutcome::Stopped, SessionStep::Image));
    EXPECT_TRUE(FirmwareLeftIncomplete(SessionOutcome::InternalError, SessionStep::Verdict));
    EXPECT_FALSE(FirmwareLeftIncomplete(SessionOutcome::Stopped, SessionStep::Header));
    EXPECT_FALSE(FirmwareLeftIncomplete(SessionOutcome::Stopped, SessionStep::Restart));
    EXPECT_FALSE(FirmwareLeftIncomplete(SessionOutcome::ConnectFail, SessionStep::Connect));
    EXPECT_FALSE(FirmwareLeftIncomplete(SessionOutcome::PortError, SessionStep::Connect));
    EXPECT_FALSE(FirmwareLeftIncomplete(SessionOutcome::Programmed, SessionStep::Verdict));
}

TEST(SessionAdvice, NothingAnsweredNamesTheAdapterBesideABuiltInPort) {
    using k5::NothingAnsweredText;
    const k5::PortChoice ttyS0{"COM1", "/dev/ttyS0", "built-in serial port", false};
    const k5::PortChoice usb{"COM3", "/dev/ttyUSB0", "USB adapter 1a86:7523 QinHeng USB Serial", true};
    const std::string check =
        " Check the cable and the controller's power; Uart > Uart Port shows the ports.";
    EXPECT_EQ(
        NothingAnsweredText(ttyS0, {ttyS0, usb}, k5::kFindPortDialog),
        "Nothing answered on COM1 (/dev/ttyS0, built-in serial port): a built-in port is almost never the "
        "cable's; the USB adapter here is COM3 (/dev/ttyUSB0, USB adapter 1a86:7523 QinHeng USB Serial)." +
            check);
    EXPECT_EQ(
        NothingAnsweredText(ttyS0, {ttyS0}, k5::kFindPortDialog),
        "Nothing answered on COM1 (/dev/ttyS0, built-in serial port): is that the cable's port?" + check);
    EXPECT_EQ(
        NothingAnsweredText(usb, {ttyS0, usb}, k5::kFindPortDialog),
        "Nothing answered on COM3 (/dev/ttyUSB0, USB adapter 1a86:7523 QinHeng USB Serial): is that the "
        "cable's port?" +
            check);
    // Windows: the name is the device; its own serial driver's port is a built-in one.
    const k5::PortChoice com1{"COM1", "COM1", "Communications Port (COM1)", false};
    const k5::PortChoice com4{"COM4", "COM4", "USB adapter 0403:6001 FTDI", true};
    EXPECT_EQ(NothingAnsweredText("COM1", "COM1", {com1, usb, com4}, k5::kFindPortCommand),
              "Nothing answered on COM1 (Communications Port (COM1)): a built-in port is almost never the "
              "cable's; the USB adapters here are COM3 (/dev/ttyUSB0, USB adapter 1a86:7523 QinHeng USB "
              "Serial), COM4 (USB adapter 0403:6001 FTDI). Check the cable and the controller's power; "
              "`k5-iap ports` lists the ports, `k5-iap doctor --probe --port NAME` tries one.");
}

}  // namespace
