// k5-iap program and k5-iap ports as processes, against a k5-sim process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <utility>

#include "serial/pty.h"
#include "support/run_command.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

using k5::test::ChildProcess;
using k5::test::kIap;
using k5::test::kSim;
using k5::test::RunCommand;
using k5::test::SimProcess;

class ProgramProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(RunCommand(kSim + " mkpack --out " + pack + " --length 3000").status, 0);
    }
    k5::test::TempDir dir;
    std::string pack = dir.File("fw.Pack");
    std::string link = dir.File("sim.tty");
};

TEST_F(ProgramProcessTest, ProgramsTheFirmwareAndTheSimulatorAgrees) {
    SimProcess sim("--firmware --no-pace --once --pack " + pack + " --dump " + dir.File("got.bin"), link);
    auto r = RunCommand(kIap + " program --port " + link + " " + pack);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Conntectting MCU....\nMCU Restarting...\nPrograming...\nProgram sucessully\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(sim.Wait(), 0) << "the simulator received the pack's image";
}

TEST_F(ProgramProcessTest, AFailedUpdatesTraceReplaysToTheSameLogAndOutcome) {
    const std::string trace = dir.File("trace.txt");
    k5::test::CommandOutcome first;
    {
        SimProcess sim("--no-verdict --no-pace --once", link);
        first = RunCommand(kIap + " program --trace " + trace + " --port " + link + " " + pack);
    }
    EXPECT_EQ(first.status, 1) << first.out;
    const std::string text = dir.ReadText("trace.txt");
    for (const char* line :
         {"tool k5-iap ", " open ", " tx probe 02\n", " tx chunk 0\n", " rx 06\n", " end Program Fail\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text.substr(0, 2000);
    }
    EXPECT_EQ(text.find(" tx chunk 0 "), std::string::npos) << "no image data unless asked for";

    SimProcess replay("--replay " + trace + " --once", link);
    const auto again = RunCommand(kIap + " program --port " + link + " " + pack);
    EXPECT_EQ(again.status, first.status);
    const auto logLines = [](const std::string& out) { return out.substr(0, out.find("3000 bytes in")); };
    EXPECT_EQ(logLines(again.out), logLines(first.out));
}

// A trace that cannot be written whole leaves the update's result as it is, and says so.
TEST_F(ProgramProcessTest, ATraceThatCannotBeWrittenIsSaidAndTheResultStands) {
    SimProcess sim("--no-pace --once", link);
    const std::string trace = dir.File("trace.txt");
    // Files may grow to 1 KiB only (sh counts 512-byte blocks): the trace stops there.
    auto r = RunCommand("trap '' XFSZ; ulimit -f 2; " + kIap + " program --json --trace " + trace +
                        " --port " + link + " " + pack);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("k5-iap: the trace " + trace + " is incomplete: File too large\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(R"("exit":0,"warning":"the trace )" + trace + R"( is incomplete: File too large"})"),
              std::string::npos)
        << r.out;
}

// A FIFO with no reader would hold the session before it began; a device is no trace either.
TEST_F(ProgramProcessTest, ATraceWhereNoRegularFileIsIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    for (const auto& [trace, why] :
         {std::pair{dir.File("fifo"), "not a regular file: a FIFO"},
          std::pair{std::string("/dev/full"), "not a regular file: a character device"}}) {
        auto r =
            RunCommand("timeout 10 " + kIap + " program --trace " + trace + " --port " + link + " " + pack);
        EXPECT_EQ(r.status, 64) << r.out;
        EXPECT_NE(r.out.find("k5-iap: cannot write the trace " + trace + ": " + why + "\n"),
                  std::string::npos)
            << r.out;
    }
}

// A session that found its bootloader at 115200 replays at that speed, to the same log.
TEST_F(ProgramProcessTest, ATraceReplaysAtTheSpeedsItWasTakenAt) {
    const std::string trace = dir.File("trace.txt");
    const std::string program = kIap + " program --speed auto --port " + link + " " + pack;
    k5::test::CommandOutcome first;
    {
        SimProcess sim("--bootloader-baud 115200 --no-pace --once", link);
        first = RunCommand(program + " --trace " + trace);
    }
    ASSERT_EQ(first.status, 0) << first.out;
    const std::string text = dir.ReadText("trace.txt");
    ASSERT_NE(text.find(" 115200\n"), std::string::npos) << text.substr(0, 800);

    SimProcess replay("--replay " + trace + " --once", link);
    const auto again = RunCommand(program);
    EXPECT_EQ(again.status, 0) << again.out;
    const auto logLines = [](const std::string& out) { return out.substr(0, out.find("3000 bytes in")); };
    EXPECT_EQ(logLines(again.out), logLines(first.out));
    EXPECT_NE(logLines(again.out).find("Line speed: 115200 baud\n"), std::string::npos) << again.out;

    dir.WriteText("cut.txt", text.substr(0, text.rfind('\n', text.find(" end ")) + 1));
    EXPECT_NE(RunCommand("timeout 3 " + kSim + " --replay " + dir.File("cut.txt"))
                  .out.find("is cut short (it has no end line)"),
              std::string::npos);
    const auto notATrace = RunCommand(kSim + " --replay " + pack);
    EXPECT_EQ(notATrace.status, 64);
    EXPECT_NE(notATrace.out.find("line 1 is not a wire trace line"), std::string::npos) << notATrace.out;
    dir.WriteText("late.txt",
                  text.substr(0, text.rfind('\n', text.find(" rx ")) + 1) + "9223372036854775807 rx 06\n");
    const auto late = RunCommand(kSim + " --replay " + dir.File("late.txt"));
    EXPECT_EQ(late.status, 64);
    EXPECT_NE(late.out.find("has a time more than 24 hours into the session"), std::string::npos) << late.out;
}

TEST_F(ProgramProcessTest, SpeedAutoRunsAtTheFastestSpeedTheBootloaderAnswersAt) {
    SimProcess sim("--bootloader-baud 115200 --no-pace --once --pack " + pack, link);
    auto r = RunCommand(kIap + " program --speed auto --port " + link + " " + pack);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("MCU Identified\nLine speed: 115200 baud\nPrograming...\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("of the line's 11520 B/s"), std::string::npos) << r.out;
    EXPECT_EQ(sim.Wait(), 0) << "the image, and the header's baud index, as the bootloader expects";
}

TEST_F(ProgramProcessTest, JsonLinesAndThePortFromTheSettingsFile) {
    SimProcess sim("--no-pace --once", link);
    dir.WriteText("k5.ini", "[Uart]\nPort=4\n[Devices]\nCOM4=" + link + "\n");
    auto r = RunCommand(kIap + " program --json --settings " + dir.File("k5.ini") + " " + pack);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("{\"log\":\"Conntectting MCU....\"}\n{\"log\":\"MCU Identified\"}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"progress\":3000,\"max\":3000}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"result\":\"Program sucessully\",\"exit\":0}"), std::string::npos) << r.out;
}

TEST_F(ProgramProcessTest, FailuresHaveTheirExitCodes) {
    auto port = RunCommand(kIap + " program --port " + dir.File("none") + " " + pack);
    EXPECT_EQ(port.status, 2) << port.out;
    EXPECT_NE(port.out.find("UART Port error \n"), std::string::npos);
    EXPECT_NE(port.out.find("cannot open " + dir.File("none")), std::string::npos) << port.out;

    EXPECT_EQ(RunCommand(kIap + " program --port " + link + " " + dir.File("missing.Pack")).status, 4);
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + dir.File("bad.Pack") + " --bad-sum").status, 0);
    EXPECT_EQ(RunCommand(kIap + " program --port " + link + " " + dir.File("bad.Pack")).status, 3);
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + dir.File("other.Pack") + " --product 7").status, 0);
    auto foreign = RunCommand(kIap + " program --port " + link + " " + dir.File("other.Pack"));
    EXPECT_EQ(foreign.status, 5);
    EXPECT_NE(foreign.out.find("Pack Eror"), std::string::npos);
    EXPECT_EQ(RunCommand(kIap + " program").status, 64);

    dir.WriteText("short.Pack", std::string(5000, 'x'));
    auto cut = RunCommand(kIap + " program --port " + link + " " + dir.File("short.Pack"));
    EXPECT_EQ(cut.status, 4);
    EXPECT_NE(cut.out.find(dir.File("short.Pack") +
                           ": not a complete update pack (5000 bytes; a pack has at least 131072): "
                           "download it again\n"),
              std::string::npos)
        << cut.out;
}

TEST_F(ProgramProcessTest, APortThatDoesNotOpenIsNamedWithItsHolderOrTheDeviceMeant) {
    k5::test::PseudoTerminal pty;
    const std::string device = pty.SlavePath();
    const std::string bare = device.substr(std::string("/dev/").size());  // "pts/3"
    auto guess = RunCommand(kIap + " program --port " + bare + " " + pack);
    EXPECT_EQ(guess.status, 2);
    EXPECT_NE(guess.out.find("cannot open " + bare + ": no such device: did you mean " + device + "?"),
              std::string::npos)
        << guess.out;

    // One process holds the locked device, and goes with the test.
    ChildProcess holder("sh -c 'exec 3<>" + device + "; flock 3; exec sleep 30'");
    for (int i = 0; i < 500 && RunCommand("flock -n " + device + " true").status == 0; ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(200ms);  // from the shell that took the lock into sleep
    auto busy = RunCommand(kIap + " program --port " + device + " " + pack);
    EXPECT_EQ(busy.status, 2);
    EXPECT_NE(busy.out.find("cannot open " + device + ": in use by another program: close "),
              std::string::npos)
        << busy.out;
    EXPECT_NE(busy.out.find("sleep (pid "), std::string::npos) << busy.out;
}

TEST_F(ProgramProcessTest, NothingAnsweringNamesThePortAndWhatToCheck) {
    SimProcess sim("--no-pace --no-probe-answer", link);
    dir.WriteText("k5.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + link + "\n");
    auto r = RunCommand(kIap + " program --settings " + dir.File("k5.ini") + " " + pack);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("Conntect  fail\nk5-iap: nothing answered on COM1 (" + link +
                   ", pseudo-terminal): is that the cable's port? Check the cable and the controller's "
                   "power; `k5-iap ports` lists the ports, `k5-iap doctor --probe --port NAME` tries one.\n"),
        std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("incomplete"), std::string::npos) << "nothing was sent to the flash";
}

TEST_F(ProgramProcessTest, JsonEndsWithTheResultOnEveryWayOut) {
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + dir.File("bad.Pack") + " --bad-sum").status, 0);
    ASSERT_EQ(RunCommand(kSim + " mkpack --out " + dir.File("other.Pack") + " --product 7").status, 0);
    dir.WriteText("short.Pack", "abc");
    const std::pair<std::string, std::string> cases[] = {
        {dir.File("bad.Pack"), R"({"result":"Pack file was briken","exit":3,)"},
        {dir.File("missing.Pack"), R"({"result":"Pack unreadable","exit":4,"error":"File not found."})"},
        {dir.File("short.Pack"),
         R"({"result":"Pack unreadable","exit":4,"error":"Read beyond end of file.","detail":"not a complete update pack (3 bytes; a pack has at least 131072): download it again"})"},
        {dir.File("other.Pack"), R"({"result":"Pack Eror","exit":5,)"},
        {"--bogus " + pack, R"({"result":"Wrong usage","exit":64,)"},
        {"--trace " + pack + " " + pack,  // the trace never overwrites what is not one
         R"({"result":"Cannot write the trace","exit":64,"error":")" + pack + ": it holds something else"},
    };
    for (const auto& [args, start] : cases) {
        // stdout alone: the JSON lines
        auto r = RunCommand("{ " + kIap + " program --json --port " + link + " " + args + " 2>/dev/null; }");
        EXPECT_EQ(r.out.rfind(start, 0), 0u) << args << ": " << r.out;
        EXPECT_EQ(r.out.back(), '\n');
    }
    EXPECT_EQ(RunCommand(kIap + " info " + pack).status, 0) << "the pack is as it was";
    auto port = RunCommand(kIap + " program --json --port " + dir.File("none") + " " + pack + " 2>/dev/null");
    EXPECT_NE(port.out.find(R"({"result":"UART Port error ","exit":2,"error":"cannot open )" +
                            dir.File("none") + ": no such device: is the adapter plugged in?"),
              std::string::npos)
        << port.out;
}

TEST_F(ProgramProcessTest, ForeignProductOnRequestAndAControllerThatNeverFinishes) {
    ASSERT_EQ(
        RunCommand(kSim + " mkpack --out " + dir.File("other.Pack") + " --product 7 --length 100").status, 0);
    SimProcess sim("--no-pace --no-verdict", link);
    auto r = RunCommand(kIap + " program --any-product --port " + link + " " + dir.File("other.Pack"));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Program Fail\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("k5-iap: the controller's firmware is incomplete now: program it again before the "
                         "bike is used.\n"),
              std::string::npos)
        << r.out;
}

TEST_F(ProgramProcessTest, CtrlCStopsTheSessionAndClosesThePort) {
    SimProcess sim("--no-pace --no-probe-answer", link);
    const std::string out = dir.File("out.txt");
    ChildProcess program(kIap + " program --port " + link + " " + pack + " >" + out + " 2>&1");
    std::this_thread::sleep_for(1500ms);
    program.Signal(SIGINT);
    std::this_thread::sleep_for(10ms);
    program.Signal(SIGINT);  // an impatient second Ctrl+C while stopping
    EXPECT_EQ(program.Wait(), 130);
    EXPECT_NE(dir.ReadText("out.txt").find("stopped; the port is closed"), std::string::npos)
        << dir.ReadText("out.txt");
    // The port is free again at once.
    auto again = RunCommand(kIap + " doctor --port " + link);
    EXPECT_EQ(again.status, 0) << again.out;
}

TEST_F(ProgramProcessTest, AClosedStdoutDoesNotInterruptTheSession) {
    SimProcess sim("--no-pace --once --pack " + pack, link);
    const std::string status = dir.File("status");
    auto r = RunCommand("{ " + kIap + " program --port " + link + " " + pack + " 2>/dev/null; echo $? >" +
                        status + "; } | head -n 2");
    EXPECT_EQ(r.out, "Conntectting MCU....\nMCU Identified\n");
    EXPECT_EQ(dir.ReadText("status"), "0\n");
    EXPECT_EQ(sim.Wait(), 0) << "the whole image reached the controller";
}

TEST_F(ProgramProcessTest, SimulatorReplacesOnlyALinkAtItsLinkPath) {
    dir.WriteText("file", "keep");
    std::filesystem::create_directory(dir.File("folder"));
    for (const char* name : {"file", "folder"}) {
        auto r = RunCommand(kSim + " --once --link " + dir.File(name));
        EXPECT_EQ(r.status, 64) << r.out;
        EXPECT_NE(r.out.find("is not a symbolic link"), std::string::npos) << r.out;
    }
    EXPECT_EQ(dir.ReadText("file"), "keep");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));

    std::filesystem::create_symlink("/dev/k5-gone", link);  // a stale link from an earlier run
    {
        ChildProcess sim(kSim + " --quiet --link " + link + " >/dev/null");
        std::error_code ec;
        for (int i = 0; i < 200 && std::filesystem::read_symlink(link, ec) == "/dev/k5-gone"; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_EQ(std::filesystem::read_symlink(link, ec).string().rfind("/dev/pts/", 0), 0u);
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "removed on exit";
}

TEST_F(ProgramProcessTest, DoctorProbeAsksForABootloaderAndNothingElse) {
    {
        SimProcess sim("--no-pace", link);
        auto r = RunCommand(kIap + " doctor --probe --port " + link);
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find("a bootloader answered (0x02 0xFD)"), std::string::npos) << r.out;
        auto plain = RunCommand(kIap + " doctor --port " + link);
        EXPECT_NE(plain.out.find("the port opens (nothing was sent"), std::string::npos) << plain.out;
    }
    SimProcess firmware("--firmware --no-pace", link);
    auto r = RunCommand(kIap + " doctor --probe --port " + link);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("no answer within 2.5 s"), std::string::npos) << r.out;
}

TEST_F(ProgramProcessTest, PortsNamesTheKindAndMarksTheSelectedPort) {
    SimProcess sim("", link);
    dir.WriteText("k5.ini", "[Uart]\nPort=2\n[Devices]\nCOM2=" + link + "\n");
    auto r = RunCommand(kIap + " ports --settings " + dir.File("k5.ini"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("COM2 *  " + link), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pseudo-terminal  (from [Devices])\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Serial ports present:"), std::string::npos);
}

}  // namespace
