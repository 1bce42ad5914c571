// Port names on Windows: COMn is the device itself, \\.\ names pass unchanged.
#include <gtest/gtest.h>

#include "port_names.h"
#include "support/temp_dir.h"

namespace {

TEST(PortNamesWin32, ComNamesAreTheDevicesThemselves) {
    k5::test::TempDir dir;
    k5::SettingsFile settings(dir.File("eBikeSet.ini"));
    const auto none = [](const std::string&) { return false; };
    EXPECT_EQ(k5::ResolvePortName("COM12", settings, none), "COM12");
    EXPECT_EQ(k5::ResolvePortName("\\\\.\\COM3", settings, none), "\\\\.\\COM3");
    dir.WriteText("eBikeSet.ini", "[Devices]\r\nCOM1=COM14\r\n");
    EXPECT_EQ(k5::ResolvePortName("com1", settings, none), "COM14");
}

}  // namespace
