// The station's rules on in-memory ports, a simulated controller behind each.
#include "station.h"

#include <gtest/gtest.h>

#include "event_loop.h"
#include "memory_station_port.h"
#include "session_harness.h"
#include "station_label.h"

namespace {

using namespace std::chrono_literals;
using k5::LabelAnswer;
using k5::PortActivity;
using k5::SessionOutcome;

class StationOnMemory : public ::testing::Test {
  protected:
    void Make(std::vector<k5::sim::SimOptions> controllers, k5::StationOptions options = {}) {
        for (std::size_t i = 0; i < controllers.size(); ++i) {
            controllers[i].pace = false;
            options.ports.push_back("COM" + std::to_string(i + 1));
        }
        controllers_ = std::move(controllers);
        station = std::make_unique<k5::Station>(
            loop, rig.settings, rig.pack, k5::StationRecord{}, options, nullptr,
            [this](k5::StationRecord& record) {
                records.push_back(record);
                return true;
            },
            [this] {
                auto port = std::make_unique<k5::test::MemoryStationPort>(loop, controllers_[ports.size()]);
                ports.push_back(port.get());
                return port;
            });
    }
    // Runs the station's thread until `done` holds, at most `limit`.
    bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit = 30s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            loop.RunFor(20ms);
            station->Tick();
            if (done()) return true;
        }
        return false;
    }
    const k5::PortStatus& Status(std::size_t port) const { return station->Status(port); }
    k5::sim::SimReport Report(std::size_t port) const { return ports[port]->Memory().Report(); }

    k5::test::SessionRig rig{k5::test::SessionRig::DefaultRecipe(1024)};
    k5::serial::EventLoop loop;
    std::vector<k5::sim::SimOptions> controllers_;
    std::vector<k5::test::MemoryStationPort*> ports;
    std::vector<k5::StationRecord> records;
    std::unique_ptr<k5::Station> station;
};

// Idle ports are probed at each speed the station may run at, and the session
// starts at the speed that answered; a fixed speed probes at that speed alone.
TEST_F(StationOnMemory, ProbesAtTheSpeedItWasGivenAndStartsThereWithoutAKey) {
    k5::sim::SimOptions at115200, at57600;
    at115200.bootloaderBaud = 115200;
    at57600.bootloaderBaud = 57600;
    k5::StationOptions searching;
    searching.mode.autoSpeed = true;
    Make({at115200, at57600}, searching);
    ASSERT_TRUE(RunUntil([&] { return station->Good() == 2; })) << station->Failed() << " failed";
    EXPECT_EQ(Report(0).headerBaudIndex, 2);
    EXPECT_EQ(Report(1).headerBaudIndex, 1);
    EXPECT_TRUE(Report(0).imageMatches && Report(1).imageMatches);

    k5::sim::SimOptions at38400;
    k5::StationOptions fixed;
    fixed.mode.baudIndex = 1;
    ports.clear();
    Make({at57600, at38400}, fixed);
    ASSERT_TRUE(RunUntil([&] { return station->Good() == 1; }));
    EXPECT_EQ(Report(0).headerBaudIndex, 1);
    RunUntil([] { return false; }, 2s);
    EXPECT_EQ(Status(1).activity, PortActivity::Waiting)
        << "a bootloader at another speed hears only garbage";
    EXPECT_EQ(Report(1).probesAnswered, 0);
}

// A start for one port leaves its finished neighbour alone; a controller left in
// its bootloader is not programmed again while it answers; the count ends it.
TEST_F(StationOnMemory, AStartForOnePortLeavesAFinishedNeighbourAlone) {
    k5::sim::SimOptions firmware, staysInBootloader;
    firmware.firmware = true;
    staysInBootloader.returnToFirmware = false;
    k5::StationOptions options;
    options.count = 3;
    Make({firmware, staysInBootloader}, options);
    ASSERT_TRUE(RunUntil([&] { return Status(1).good == 1 && Status(0).activity == PortActivity::Waiting; }));
    ASSERT_TRUE(station->GoPort(0));
    EXPECT_FALSE(station->GoPort(0)) << "it runs already";
    ASSERT_TRUE(RunUntil([&] { return Status(0).good == 1; }));
    EXPECT_EQ(Report(0).entryCommands, 1) << "restarted into its bootloader";
    RunUntil([] { return false; }, 3s);
    EXPECT_EQ(Status(1).good, 1) << "still answering from its bootloader: not programmed again";
    EXPECT_EQ(Report(1).sessions, 1);
    EXPECT_EQ(Status(0).good, 1);

    ASSERT_TRUE(station->GoPort(1));
    ASSERT_TRUE(RunUntil([&] { return station->Finished(); }));
    EXPECT_EQ(station->Good(), 3);
    EXPECT_EQ(Report(0).sessions, 1) << "its neighbour's start left it alone";
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].port, "COM1");
}

// Stop ends a running session at once, recorded as stopped; nothing starts after it.
TEST_F(StationOnMemory, StopEndsTheRunningSessionAndRecordsIt) {
    k5::sim::SimOptions slow;
    slow.flashDelayMs = 300;
    Make({slow});
    ASSERT_TRUE(RunUntil([&] { return Status(0).step == k5::SessionStep::Image; }));
    station->StopAll();
    ASSERT_TRUE(RunUntil([&] { return station->Finished(); }, 5s));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].outcome, "Stopped");
    EXPECT_EQ(Status(0).lastOutcome, SessionOutcome::Stopped);
    EXPECT_FALSE(station->GoPort(0));
}

// A label goes with its port's next update alone. A station that requires labels
// starts nothing on a port without one, neither on a probe's answer nor on the
// operator's go; a text that is no label is refused and starts nothing.
TEST_F(StationOnMemory, ALabelGoesWithOneUpdateAndARequiredOneHoldsBackEveryStart) {
    k5::StationOptions options;
    options.labelRequired = true;
    Make({{}, {}}, options);
    station->Go();
    EXPECT_FALSE(station->GoPort(1));
    EXPECT_EQ(station->SetLabel(0, "K5-2412-00311\t"), LabelAnswer::Refused);
    EXPECT_EQ(station->SetLabel(0, std::string(65, '7')), LabelAnswer::Refused);
    RunUntil([] { return false; }, 1s);
    EXPECT_GT(Report(0).probesAnswered, 0) << "its bootloader answered";
    EXPECT_EQ(Report(0).headers + Report(1).headers, 0) << "nothing was started";
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(Status(0).waitsForLabel);

    ASSERT_EQ(station->SetLabel(0, " K5-2412-00311 "), LabelAnswer::Taken);  // on its next probe's answer
    ASSERT_EQ(station->SetLabel(1, "K5-2412-00312"), LabelAnswer::Taken);
    ASSERT_TRUE(station->GoPort(1));
    EXPECT_EQ(station->SetLabel(1, "K5-2412-00313"), LabelAnswer::Busy);
    ASSERT_TRUE(RunUntil([&] { return station->Good() == 2; }));
    ASSERT_EQ(records.size(), 2u);
    for (const auto& record : records)
        EXPECT_EQ(record.label, record.port == "COM1" ? "K5-2412-00311" : "K5-2412-00312");
    EXPECT_EQ(Status(1).lastLabel, "K5-2412-00312");
    EXPECT_TRUE(Status(1).label.empty());
    EXPECT_FALSE(station->GoPort(1)) << "its label went with the update before";
}

TEST(StationLabel, IsPrintableUtf8OfOneTo64Characters) {
    const std::string umlauts = [] {
        std::string text;
        for (int i = 0; i < 64; ++i) text += "\xC3\xA4";
        return text;
    }();
    for (const std::string& label : {std::string("K5-2412-00311"), std::string("Los 7 / Kiste 3"), umlauts})
        EXPECT_EQ(k5::StationLabelProblem(label), "") << label;
    for (const std::string& label : {std::string(), std::string(65, 'x'), std::string("K5\x7F"),
                                     std::string("K5\xC2\x85"), std::string("K5\xFF"), std::string("K5\n1")})
        EXPECT_NE(k5::StationLabelProblem(label), "") << label;
    EXPECT_EQ(k5::StationLabelProblem(std::string(65, 'x')),
              "A label has at most 64 characters: this one is longer.");
}

}  // namespace
