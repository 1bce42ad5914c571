#include "ports_command.h"
#include "serial_ports_posix.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// A sysfs tree with one USB adapter, one platform port and one virtual terminal.
class FakeSysfs {
  public:
    FakeSysfs() {
        const fs::path usb = root() / "devices/pci0000:00/usb1/1-2";
        fs::create_directories(usb / "1-2:1.0/ttyUSB0");
        fs::create_directories(root() / "bus/usb-serial/drivers/ftdi_sio");
        fs::create_directories(root() / "bus/usb-serial");
        fs::create_directories(root() / "bus/platform");
        dir.WriteText("devices/pci0000:00/usb1/1-2/idVendor", "0403\n");
        dir.WriteText("devices/pci0000:00/usb1/1-2/idProduct", "6001\n");
        dir.WriteText("devices/pci0000:00/usb1/1-2/serial", "A50285BI\n");
        dir.WriteText("devices/pci0000:00/usb1/1-2/product", "FT232R USB UART\n");
        const fs::path usbTty = usb / "1-2:1.0/ttyUSB0";
        fs::create_symlink(root() / "bus/usb-serial", usbTty / "subsystem");
        fs::create_symlink(root() / "bus/usb-serial/drivers/ftdi_sio", usbTty / "driver");

        fs::create_directories(root() / "devices/platform/serial8250/tty/ttyS0");
        fs::create_symlink(root() / "bus/platform",
                           root() / "devices/platform/serial8250/tty/ttyS0/subsystem");

        fs::create_directories(root() / "class/tty/ttyUSB0");
        fs::create_symlink(usbTty, root() / "class/tty/ttyUSB0/device");
        fs::create_directories(root() / "class/tty/ttyS0");
        fs::create_symlink(root() / "devices/platform/serial8250/tty/ttyS0",
                           root() / "class/tty/ttyS0/device");
        fs::create_directories(root() / "class/tty/tty1");
    }
    fs::path root() const { return dir.Path(); }
    k5::test::TempDir dir;
};

TEST(PortsCommand, FindsUsbAdaptersWithTheirIds) {
    FakeSysfs sys;
    const auto devices = k5::platform::ListSerialDevicesUnder(sys.root() / "class/tty");
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].device, "/dev/ttyUSB0");
    EXPECT_EQ(devices[0].driver, "ftdi_sio");
    EXPECT_EQ(devices[0].vendorId, "0403");
    EXPECT_EQ(devices[0].productId, "6001");
    EXPECT_EQ(devices[0].serial, "A50285BI");

    k5::test::TempDir dir;
    dir.WriteText("k5.ini", "[Uart]\nPort=2\n");
    k5::SettingsFile settings(dir.File("k5.ini"));
    std::ostringstream out;
    k5::cli::PrintPorts(
        out, settings, [](const std::string& p) { return p == "/dev/ttyUSB0" || p == "/dev/ttyS1"; },
        devices);
    const std::string text = out.str();
    EXPECT_NE(
        text.find(
            "\nCOM1    /dev/ttyUSB0              USB adapter 0403:6001 FT232R USB UART, serial A50285BI\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("\nCOM2 *  /dev/ttyS1                built-in serial port\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nCOM3    /dev/ttyS2                missing\n"), std::string::npos) << text;
    EXPECT_EQ(text.find(" \n"), std::string::npos) << "no trailing blanks";
}

TEST(PortsCommand, OnlyTerminalsAreSerialDevicesAndAnEmptyMappingIsNone) {
    k5::test::TempDir dir;
    fs::create_directory(dir.File("folder"));
    dir.WriteText("k5.ini",
                  "[Devices]\nCOM1=/dev/null\nCOM2=" + dir.File("folder") + "\nCOM3=/dev/ptmx\nCOM4=\n");
    k5::SettingsFile settings(dir.File("k5.ini"));
    std::ostringstream out;
    k5::cli::PrintPorts(out, settings, [](const std::string& p) { return p.rfind("/dev/tty", 0) != 0; }, {});
    const std::string text = out.str();
    EXPECT_NE(text.find("/dev/null                 not a serial device  (from [Devices])\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("folder, not a serial device  (from [Devices])\n"), std::string::npos) << text;
    EXPECT_NE(text.find("/dev/ptmx                 not a serial device  (from [Devices])\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nCOM4    /dev/ttyS3                missing\n"), std::string::npos) << text;
}

}  // namespace
