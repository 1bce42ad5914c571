#include "doctor_command.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "SerialComm.h"
#include "event_loop.h"
#include "port_error.h"
#include "serial/pty.h"
#include "support/temp_dir.h"

namespace {

struct Result {
    int status;
    std::string text;
    std::string warnings;
};

Result Doctor(const std::string& settings, const std::string& port = "") {
    std::ostringstream out, err;
    const int status = k5::cli::RunDoctor({port, settings}, out, err);
    return {status, out.str(), err.str()};
}

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
    EXPECT_NE(busy.text.find("in use by another program"), std::string::npos) << busy.text;
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

}  // namespace
