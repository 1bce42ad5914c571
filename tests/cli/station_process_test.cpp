// k5-iap station as a process, against three k5-sim processes.
#include <gtest/gtest.h>

#include <sstream>

#include "support/run_command.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace {

using k5::test::kIap;
using k5::test::kSim;
using k5::test::RunCommand;
using k5::test::SimProcess;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A bootloader is programmed as soon as it answers a probe; the firmware after
// Enter; a controller that never sends its verdict fails and, while its
// bootloader still answers, is not programmed again.
TEST(StationProcess, ThreeControllersThreePortsOneRecordLineEach) {
    k5::test::TempDir dir;
    const std::string pack = dir.File("fw.Pack");
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length 3000").status, 0);
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

TEST(StationProcess, AStopRequestStopsTheSessionRecordsItAndExits130) {
    k5::test::TempDir dir;
    const std::string pack = dir.File("fw.Pack");
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length 8000").status, 0);
    SimProcess bootloader("", dir.File("a"));  // paced: the image takes 2 s
    const std::string record = dir.File("record.jsonl");
    k5::test::ChildProcess station(kIap + " station --pack " + pack + " --port " + dir.File("a") +
                                   " --record " + record + " </dev/null >" + dir.File("out") + " 2>&1");
    for (int i = 0; i < 100 && dir.ReadText("out").find("Programing...") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    station.Signal(SIGTERM);
    EXPECT_EQ(station.Wait(), 130) << dir.ReadText("out");
    EXPECT_NE(dir.ReadText("record.jsonl").find("\"outcome\":\"Stopped\""), std::string::npos)
        << dir.ReadText("record.jsonl");
}

}  // namespace
