#include "doctor_command.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "SerialComm.h"
#include "event_loop.h"
#include "port_error.h"
#include "serial/pty.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace {

struct Result {
    int status;
    std::string text;
    std::string warnings;
};

Result Doctor(const std::string& settings, const std::string& port = "",
              k5::platform::SurveyRoots roots = {}) {
    std::ostringstream out, err;
    k5::cli::DoctorOptions options;
    options.port = port;
    options.settings = settings;
    options.roots = std::move(roots);
    const int status = k5::cli::RunDoctor(options, out, err);
    return {status, out.str(), err.str()};
}

bool Says(const Result& r, const std::string& text) { return r.text.find(text) != std::string::npos; }

TEST(DoctorCommand, TellsWhetherTheConfiguredPortOpens) {
    k5::test::TempDir dir;
    k5::test::PseudoTerminal pty;
    dir.WriteText("k5.ini", "[Uart]\nPort=3\n[Devices]\nCOM3=" + pty.SlavePath() + "\n");
    auto free = Doctor(dir.File("k5.ini"));
    EXPECT_EQ(free.status, 0) << free.text;
    EXPECT_NE(free.text.find("COM3 (Port in [Uart]) -> " + pty.SlavePath() + " ([Devices])"),
              std::string::npos)
        << free.text;
    EXPECT_NE(free.text.find("(writable)"), std::string::npos);
    ::chmod(dir.File("k5.ini").c_str(), 0444);
    EXPECT_NE(Doctor(dir.File("k5.ini")).text.find("(read-only)"), std::string::npos);

    k5::serial::EventLoop loop;
    k5::serial::TComm holder(loop);
    holder.SetCommName(pty.SlavePath());
    holder.OpenComm();
    auto busy = Doctor(dir.File("k5.ini"));
    EXPECT_EQ(busy.status, 2);
    EXPECT_NE(
        busy.text.find("in use by another program: close it (fuser -v " + pty.SlavePath() + " shows which)"),
        std::string::npos)
        << busy.text;
}

TEST(DoctorCommand, MissingDevicesAndFilesThatAreNoPorts) {
    k5::test::TempDir dir;
    auto missing = Doctor(dir.File("none.ini"), dir.File("ttyNONE"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.text.find("not there yet"), std::string::npos);
    EXPECT_NE(missing.text.find("is the adapter plugged in?"), std::string::npos) << missing.text;

    auto file = Doctor(dir.File("none.ini"), dir.WriteText("plain", "x"));
    EXPECT_EQ(file.status, 2);
    EXPECT_NE(file.text.find("plain: not a serial port"), std::string::npos) << file.text;
    EXPECT_NE(
        Doctor(dir.File("none.ini"), dir.Path().string()).text.find("FAILED: a folder, not a serial port"),
        std::string::npos);

    std::filesystem::create_directory(dir.File("folder.ini"));
    EXPECT_NE(Doctor(dir.File("folder.ini"))
                  .text.find("(it is a folder, not a file: its values are not read, "
                             "so COM1 is used, and Save cannot write it)"),
              std::string::npos);

    dir.WriteText("k5.ini", "[Uart]\nPort=3 ; COM3\n");
    EXPECT_EQ(Doctor(dir.File("k5.ini")).warnings,
              "Port value '3 ; COM3' in " + dir.File("k5.ini") + " is not a number: using COM1\n");
}

TEST(DoctorCommand, GroupAdviceOnlyWhereTheGroupMayReadAndWrite) {
    k5::test::TempDir dir;
    const std::string device = dir.WriteText("ttyX", "");
    ::chmod(device.c_str(), 0600);
    const std::string ownerOnly = k5::platform::PermissionAdvice(device);
    EXPECT_EQ(ownerOnly.find("usermod"), std::string::npos) << ownerOnly;
    EXPECT_NE(ownerOnly.find("(mode 0600), so joining a group does not help"), std::string::npos)
        << ownerOnly;

    const struct group* dialout = ::getgrnam("dialout");
    if (::geteuid() != 0 || dialout == nullptr) GTEST_SKIP() << "needs root and a dialout group";
    ASSERT_EQ(::chown(device.c_str(), 0, dialout->gr_gid), 0);
    ::chmod(device.c_str(), 0660);
    EXPECT_EQ(k5::platform::PermissionAdvice(device),
              "add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in again");
}

TEST(DoctorCommand, NamesTheProcessThatHoldsThePort) {
    k5::test::TempDir dir;
    k5::test::PseudoTerminal pty;
    k5::test::ChildProcess holder("sleep 30 <" + pty.SlavePath());
    std::string pid;
    Result r;
    for (int i = 0; i < 100 && !Says(r, "(sleep) has the port open"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        r = Doctor(dir.File("none.ini"), pty.SlavePath());
    }
    EXPECT_TRUE(Says(r, "held by        process ")) << r.text;
    EXPECT_TRUE(Says(r, "(sleep) has the port open: close that program first")) << r.text;
}

// A machine laid out in a folder: USB adapters in sysfs, ModemManager in /proc, brltty's rules.
TEST(DoctorCommand, AdaptersModemManagerAndBrlttyWithTheirFixes) {
    namespace fs = std::filesystem;
    k5::test::TempDir dir;
    const auto adapter = [&](const std::string& tty, const std::string& vendor, const std::string& product,
                             const std::string& driver) {
        const fs::path usb = dir.Path() / "sys/devices/usb1" / tty;
        const fs::path port = usb / "1-1:1.0" / tty;
        fs::create_directories(port);
        fs::create_directories(dir.Path() / "sys/bus/usb-serial/drivers" / driver);
        dir.WriteText("sys/devices/usb1/" + tty + "/idVendor", vendor + "\n");
        dir.WriteText("sys/devices/usb1/" + tty + "/idProduct", product + "\n");
        fs::create_symlink(dir.Path() / "sys/bus/usb-serial", port / "subsystem");
        fs::create_symlink(dir.Path() / "sys/bus/usb-serial/drivers" / driver, port / "driver");
        fs::create_directories(dir.Path() / "sys/class/tty" / tty);
        fs::create_symlink(port, dir.Path() / "sys/class/tty" / tty / "device");
        return port;
    };
    const fs::path ftdi = adapter("ttyUSB0", "0403", "6001", "ftdi_sio");
    dir.WriteText((ftdi / "latency_timer").lexically_relative(dir.Path()).string(), "16\n");
    adapter("ttyUSB1", "1a86", "7523", "ch341");
    fs::create_directories(dir.Path() / "proc/812");
    dir.WriteText("proc/812/comm", "ModemManager\n");
    fs::create_directories(dir.Path() / "rules");
    dir.WriteText("rules/85-brltty.rules",
                  "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"\n");
    k5::platform::SurveyRoots roots;
    roots.sys = (dir.Path() / "sys").string();
    roots.proc = (dir.Path() / "proc").string();
    roots.run = (dir.Path() / "run").string();
    roots.udevRules = {(dir.Path() / "rules").string()};

    const auto ftdiPort = Doctor(dir.File("none.ini"), "/dev/ttyUSB0", roots);
    EXPECT_TRUE(Says(ftdiPort, "adapter        USB 0403:6001, serial none (driver ftdi_sio)"))
        << ftdiPort.text;
    EXPECT_TRUE(Says(ftdiPort, "latency timer  16 ms")) << ftdiPort.text;
    EXPECT_TRUE(Says(ftdiPort, "ModemManager   running, and not told to leave this port alone"))
        << ftdiPort.text;
    EXPECT_TRUE(Says(
        ftdiPort, "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", ENV{ID_MM_DEVICE_IGNORE}=\"1\""));
    EXPECT_FALSE(Says(ftdiPort, "brltty")) << "an FTDI adapter is none of brltty's";

    const auto ch340 = Doctor(dir.File("none.ini"), "/dev/ttyUSB1", roots);
    EXPECT_TRUE(Says(ch340, "brltty         its rules take CH340/CH341 adapters (1a86:7523)")) << ch340.text;
    EXPECT_TRUE(Says(ch340, "sudo apt remove brltty"));
}

}  // namespace
