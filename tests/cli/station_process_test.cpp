// k5-iap station as a process, against three k5-sim processes.
#include <gtest/gtest.h>

#include <sstream>

#include "sha256.h"
#include "station_record.h"
#include "support/run_command.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace {

using k5::test::kIap;
using k5::test::kSim;
using k5::test::RunCommand;
using k5::test::SimProcess;

class StationProcess : public ::testing::Test {
  protected:
    // fw.Pack with an image of `length` bytes.
    std::string MakePack(int length) {
        const std::string pack = dir.File("fw.Pack");
        EXPECT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length " + std::to_string(length)).status,
                  0);
        return pack;
    }
    k5::test::TempDir dir;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A bootloader is programmed as soon as it answers a probe; the firmware after
// Enter; a controller that never sends its verdict fails and, while its
// bootloader still answers, is not programmed again.
TEST_F(StationProcess, ThreeControllersThreePortsOneRecordLineEach) {
    const std::string pack = MakePack(3000);
    SimProcess bootloader("--no-pace", dir.File("a"));
    SimProcess firmware("--no-pace --firmware", dir.File("b"));
    SimProcess noVerdict("--no-pace --no-verdict", dir.File("c"));
    const std::string record = dir.File("record.csv");
    // Enter while the two bootloaders are being programmed; q 3 s after the third record line.
    const std::string operatorKeys =
        "(sleep 1; echo; for i in $(seq 400); do [ \"$(wc -l < " + record +
        " 2>/dev/null || echo 0)\" -ge 4 ] && break; sleep 0.1; done; sleep 3; echo q)";
    auto r = RunCommand(operatorKeys + " | " + kIap + " station --pack " + pack + " --port " + dir.File("a") +
                        " --port " + dir.File("b") + " --port " + dir.File("c") + " --record " + record);
    EXPECT_EQ(r.status, 1) << "one update failed\n" << r.out;
    EXPECT_NE(r.out.find("2 good, 1 failed"), std::string::npos) << r.out;

    const auto lines = Lines(dir.ReadText("record.csv"));
    ASSERT_EQ(lines.size(), 4u) << dir.ReadText("record.csv");
    EXPECT_EQ(lines[0].rfind("time,host,port,device,", 0), 0u);
    const auto lineFor = [&](const std::string& port) {
        for (const auto& line : lines) {
            if (line.find("," + dir.File(port) + ",") != std::string::npos) return line;
        }
        return std::string();
    };
    EXPECT_NE(lineFor("a").find(",Program sucessully,Conntectting MCU.... | MCU Identified |"),
              std::string::npos);
    EXPECT_NE(lineFor("b").find(",Program sucessully,Conntectting MCU.... | MCU Restarting... |"),
              std::string::npos);
    EXPECT_NE(lineFor("c").find(",Program Fail,"), std::string::npos) << lineFor("c");
    EXPECT_NE(lines[1].find(",fw.Pack,"), std::string::npos);
    EXPECT_NE(lines[1].find(",308,20002,0xAA,3000,default,"), std::string::npos) << lines[1];
}

TEST_F(StationProcess, AStopRequestStopsTheSessionRecordsItAndExits130) {
    const std::string pack = MakePack(8000);
    SimProcess bootloader("", dir.File("a"));  // paced: the image takes 2 s
    const std::string record = dir.File("record.jsonl");
    k5::test::ChildProcess station(kIap + " station --pack " + pack + " --port " + dir.File("a") +
                                   " --record " + record + " </dev/null >" + dir.File("out") + " 2>&1");
    for (int i = 0; i < 100 && dir.ReadText("out").find("programming") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    station.Signal(SIGTERM);
    EXPECT_EQ(station.Wait(), 130) << dir.ReadText("out");
    EXPECT_NE(dir.ReadText("record.jsonl").find("\"outcome\":\"Stopped\""), std::string::npos)
        << dir.ReadText("record.jsonl");
}

// A record that stops taking lines (a full disk) starts no new update but lets
// the one under way finish; every outcome is shown, the lines the record could not
// take are printed, and the exit code and text say so. The record loses nothing.
TEST_F(StationProcess, ARecordThatFillsUpLetsTheRunningUpdateFinish) {
    const std::string pack = MakePack(8000);
    SimProcess quick("--no-pace", dir.File("a"));
    SimProcess slow("--no-pace --flash-delay 300", dir.File("b"));  // 2.4 s longer
    std::string full = k5::StationCsvHeader();
    full += std::string(2047 - full.size(), 'x') + "\n";  // 2 KiB: all the file may hold
    const std::string record = dir.WriteText("record.csv", full);
    auto r = RunCommand("bash -c \"trap '' XFSZ; ulimit -f 2; exec " + kIap + " station --pack " + pack +
                        " --port " + dir.File("a") + " --port " + dir.File("b") + " --record " + record +
                        " </dev/null\"");
    EXPECT_EQ(r.status, 6) << r.out;
    EXPECT_EQ(Lines(r.out).back(), "2 good, 0 failed") << r.out;
    EXPECT_NE(r.out.find("cannot write the record " + record +
                         ": File too large; the station ended after "
                         "the updates under way; 2 update(s) not in the record"),
              std::string::npos)
        << r.out;
    for (const std::string port : {"a", "b"}) {
        EXPECT_NE(r.out.find(dir.File(port) + "  OK in "), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("," + dir.File(port) + ",/"), std::string::npos) << "its line is printed\n"
                                                                              << r.out;
    }
    EXPECT_EQ(dir.ReadText("record.csv"), full);
}

// What the station must not touch it refuses, and says why.
TEST_F(StationProcess, RefusesAFileThatIsNoRecordAndACountOfNone) {
    const std::string pack = MakePack(3000);
    const std::string before = dir.ReadText("fw.Pack");
    auto r = RunCommand(kIap + " station --json --pack " + pack + " --port /dev/null --record " + pack);
    EXPECT_EQ(r.status, 6) << r.out;
    EXPECT_NE(
        r.out.find("\"exit\":6,\"error\":\"" + pack + ": it holds something else than a station record"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(dir.ReadText("fw.Pack"), before);
    EXPECT_EQ(RunCommand(kIap + " station --pack " + pack + " --count 0").status, 64);
}

// A port's number and Enter start that port alone: its neighbour, finished or
// waiting, is left as it is. A bootloader heard only at 115200 starts on its own.
TEST_F(StationProcess, ANumberStartsThatPortAloneAndTheSpeedIsTheOneGiven) {
    const std::string pack = MakePack(3000);
    SimProcess first("--no-pace --firmware", dir.File("a"));
    SimProcess second("--no-pace --firmware", dir.File("b"));
    const std::string record = dir.File("record.csv");
    const std::string operatorKeys = "(sleep 1; echo 1; for i in $(seq 300); do [ \"$(wc -l < " + record +
                                     ")\" -ge 2 ] && break; sleep 0.1; done; echo q)";
    auto r = RunCommand(operatorKeys + " | " + kIap + " station --pack " + pack + " --port " + dir.File("a") +
                        " --port " + dir.File("b") + " --record " + record);
    EXPECT_EQ(r.status, 0) << r.out;
    const auto lines = Lines(dir.ReadText("record.csv"));
    ASSERT_EQ(lines.size(), 2u) << dir.ReadText("record.csv");
    EXPECT_NE(lines[1].find("," + dir.File("a") + ","), std::string::npos) << lines[1];
    EXPECT_NE(r.out.find("2  " + dir.File("b") + "  waiting for a controller"), std::string::npos) << r.out;

    SimProcess fast("--no-pace --bootloader-baud 115200", dir.File("c"));
    auto alone = RunCommand(kIap + " station --pack " + pack + " --port " + dir.File("c") +
                            " --speed auto --count 1 </dev/null");
    EXPECT_EQ(alone.status, 0) << alone.out;
    EXPECT_NE(alone.out.find("1 good, 0 failed"), std::string::npos) << alone.out;
}

// With labels required, "N LABEL" and a JSON object line each give a port's next
// update its label, which its record line carries; a line that is neither is
// refused with why.
TEST_F(StationProcess, LabelLinesGoWithEachPortsUpdateIntoTheRecord) {
    const std::string pack = MakePack(3000);
    SimProcess first("--no-pace", dir.File("a"));
    SimProcess second("--no-pace", dir.File("b"));
    const std::string record = dir.File("record.csv");
    const std::string labels =
        dir.WriteText("labels", "2 K5-2412-00312\nK5-2412-00311\n{\"port\":1,\"label\":\"K5-\\u00e4311\"}\n");
    const std::string operatorKeys = "(sleep 1; cat " + labels + "; for i in $(seq 300); do [ \"$(wc -l < " +
                                     record + ")\" -ge 3 ] && break; sleep 0.1; done; echo q)";
    auto r =
        RunCommand(operatorKeys + " | " + kIap + " station --json --label-required --operator Anna --pack " +
                   pack + " --port " + dir.File("a") + " --port " + dir.File("b") + " --record " + record);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("{\"input\":\"K5-2412-00311\",\"error\":\"which port?"), std::string::npos) << r.out;
    const auto lines = Lines(dir.ReadText("record.csv"));
    ASSERT_EQ(lines.size(), 3u) << dir.ReadText("record.csv");
    for (const auto& line : {lines[1], lines[2]}) {
        const bool first = line.find("," + dir.File("a") + ",") != std::string::npos;
        EXPECT_EQ(line.substr(line.rfind(",K5-")), first ? ",K5-\xC3\xA4"
                                                           "311,,,Anna"
                                                         : ",K5-2412-00312,,,Anna");
    }
}

// A set-up opens the station with its pack, ports and record (a relative one from its
// folder) and names itself in the record; a pack changed since it was saved is
// refused (exit 7) and nothing starts.
TEST_F(StationProcess, ASetUpRunsItsOwnPackAndRefusesAChangedOne) {
    const std::string pack = MakePack(3000);
    SimProcess bootloader("--no-pace", dir.File("a"));
    const std::string bytes = dir.ReadText("fw.Pack");
    const std::string setup = dir.WriteText(
        "Line 3.k5station",
        "[Station]\r\nPack=fw.Pack\r\nPackSha256=" +
            k5::platform::Sha256Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()) +
            "\r\nPorts=" + dir.File("a") + "\r\nRecord=record.csv\r\nWorkOrder=WO-17\r\n");
    auto r = RunCommand("cd / && " + kIap + " station --setup '" + setup +
                        "' --count 1 --operator Anna </dev/null");
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string recorded = dir.ReadText("record.csv");
    EXPECT_NE(recorded.find(",Line 3,WO-17,Anna\n"), std::string::npos) << recorded;

    MakePack(3001);
    r = RunCommand(kIap + " station --json --setup '" + setup + "' </dev/null");
    EXPECT_EQ(r.status, 7) << r.out;
    EXPECT_NE(r.out.find("is not the one the set-up was saved with"), std::string::npos) << r.out;
    EXPECT_EQ(dir.ReadText("record.csv"), recorded);
    EXPECT_EQ(RunCommand(kIap + " station --setup '" + setup + "' --port COM3").status, 64);
}

}  // namespace
