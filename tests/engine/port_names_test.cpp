#include "port_names.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "device_names.h"
#include "support/temp_dir.h"

namespace {

class PortNamesTest : public ::testing::Test {
  protected:
    k5::test::TempDir dir;
    k5::SettingsFile settings{dir.File("eBikeSet.ini")};
    std::set<std::string> present;
    k5::DeviceExists exists = [this](const std::string& p) { return present.count(p) > 0; };
};

TEST_F(PortNamesTest, ComNumbers) {
    EXPECT_EQ(k5::ComPortNumber("COM1"), 1);
    EXPECT_EQ(k5::ComPortNumber("com12"), 12);
    EXPECT_EQ(k5::ComPortNumber("COM0"), std::nullopt);
    EXPECT_EQ(k5::ComPortNumber("COM"), std::nullopt);
    EXPECT_EQ(k5::ComPortNumber("COM-1"), std::nullopt);
    EXPECT_EQ(k5::ComPortNumber("COM1x"), std::nullopt);
    EXPECT_EQ(k5::ComPortNumber("LPT1"), std::nullopt);
}

TEST_F(PortNamesTest, PathsAndOtherNamesPassUnchanged) {
    EXPECT_EQ(k5::ResolvePortName("/dev/pts/7", settings, exists), "/dev/pts/7");
    EXPECT_EQ(k5::ResolvePortName("COM0", settings, exists), "COM0");
    EXPECT_EQ(k5::ResolvePortName("ttyUSB0", settings, exists), "ttyUSB0");
}

TEST_F(PortNamesTest, DefaultRulePrefersUsbThenAcmThenSerial) {
    EXPECT_EQ(k5::ResolvePortName("COM1", settings, exists), "/dev/ttyS0");
    present.insert("/dev/ttyACM0");
    EXPECT_EQ(k5::ResolvePortName("COM1", settings, exists), "/dev/ttyACM0");
    present.insert("/dev/ttyUSB0");
    EXPECT_EQ(k5::ResolvePortName("COM1", settings, exists), "/dev/ttyUSB0");
    EXPECT_EQ(k5::ResolvePortName("COM3", settings, exists), "/dev/ttyS2");
}

TEST_F(PortNamesTest, DevicesSectionWinsAndIsReadAtEachLookup) {
    present.insert("/dev/ttyUSB6");
    dir.WriteText("eBikeSet.ini", "[Devices]\nCOM7=/tmp/k5-sim\n");
    EXPECT_EQ(k5::ResolvePortName("COM7", settings, exists), "/tmp/k5-sim");
    EXPECT_EQ(k5::ResolvePortName("com7", settings, exists), "/tmp/k5-sim");
    dir.WriteText("eBikeSet.ini", "[devices]\ncom7=\n");
    EXPECT_EQ(k5::ResolvePortName("COM7", settings, exists), "/dev/ttyUSB6");
}

}  // namespace

namespace {

TEST(AdapterLatencyTimer, ReadFromSysfsForTheDeviceALinkLeadsTo) {
    k5::test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "sys/class/tty/ttyUSB0/device");
    dir.WriteText("sys/class/tty/ttyUSB0/device/latency_timer", "16\n");
    dir.WriteText("ttyUSB0", "");
    std::filesystem::create_symlink(dir.File("ttyUSB0"), dir.File("by-id-FTDI"));
    const std::string sysfs = dir.File("sys");
    EXPECT_EQ(k5::platform::AdapterLatencyTimerMs(dir.File("by-id-FTDI"), sysfs), 16);
    EXPECT_EQ(k5::platform::AdapterLatencyTimerMs("/dev/pts/3", sysfs), std::nullopt) << "nothing to show";
}

}  // namespace
