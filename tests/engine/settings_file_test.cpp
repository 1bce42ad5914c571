#include "settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace {

using k5::SettingsFile;

class SettingsFileTest : public ::testing::Test {
  protected:
    k5::test::TempDir dir;
    std::string path = dir.File("eBikeSet.ini");
    SettingsFile settings{path};

    int PortFromFile(const std::string& text) {
        dir.WriteText("eBikeSet.ini", text);
        return settings.GetUartPort();
    }
};

TEST_F(SettingsFileTest, MissingFileGivesPortOneAndSaveCreatesIt) {
    EXPECT_EQ(settings.GetUartPort(), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    settings.SetUartPort(3);
    settings.SetBaudIndex(0);
    EXPECT_EQ(settings.GetUartPort(), 3);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "0");
    const auto text = dir.ReadText("eBikeSet.ini");
    EXPECT_NE(text.find("[Uart]"), std::string::npos);
    EXPECT_NE(text.find("Port = 3"), std::string::npos);
}

TEST_F(SettingsFileTest, ValueForms) {
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0x5\n"), 5);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0X1f\n"), 31);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=abc\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=7x\n"), 1);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=12\n"), 12);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=0\n"), 0);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=-2\n"), -2);
    EXPECT_EQ(PortFromFile("[Uart]\nPort = 4 \n"), 4);
    EXPECT_EQ(PortFromFile("[Other]\nPort=4\n"), 1);
    EXPECT_EQ(PortFromFile("[uart]\nPORT=6\n"), 6);  // names match without regard to case
    EXPECT_EQ(PortFromFile("[Uart]\nPort=99999999999\n"), 1);

    EXPECT_EQ(k5::ParseSettingsInteger("+7"), 7);
    EXPECT_EQ(k5::ParseSettingsInteger("0x"), std::nullopt);
    EXPECT_EQ(k5::ParseSettingsInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(k5::ParseSettingsInteger("0x123456789"), std::nullopt);
    EXPECT_EQ(k5::ParseSettingsInteger("++1"), std::nullopt);
}

TEST_F(SettingsFileTest, BaudIndexIsAlwaysZero) {
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=2\nBaudRate=2\n");
    EXPECT_EQ(settings.GetBaudIndex(), 0);
}

TEST_F(SettingsFileTest, WritesKeepEverythingElse) {
    dir.WriteText("eBikeSet.ini",
                  "; workshop bench 3\n[Devices]\nCOM1=/dev/ttyACM0\n\n[UART]\nport=2\nColour=blue\n");
    settings.SetUartPort(8);
    settings.SetBaudIndex(0);
    EXPECT_EQ(settings.GetUartPort(), 8);
    EXPECT_EQ(settings.ReadString("Devices", "COM1"), "/dev/ttyACM0");
    EXPECT_EQ(settings.ReadString("Uart", "Colour"), "blue");
    const auto text = dir.ReadText("eBikeSet.ini");
    EXPECT_NE(text.find("; workshop bench 3"), std::string::npos);
    EXPECT_EQ(text.find("Port"), std::string::npos) << "the existing key keeps its spelling";
}

TEST_F(SettingsFileTest, RefusedWriteNamesTheFullPathAndChangesNothing) {
    const std::string original = "[Uart]\nPort=4\n";
    dir.WriteText("eBikeSet.ini", original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        settings.SetUartPort(9);
        FAIL() << "write was not refused";
    } catch (const k5::ESettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
    }
    EXPECT_EQ(dir.ReadText("eBikeSet.ini"), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1)
        << "no temporary file is left behind";
}

TEST_F(SettingsFileTest, RelativePathIsReportedInFull) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    dir.WriteText("ro.ini", "");
    ::chmod(dir.File("ro.ini").c_str(), 0444);
    SettingsFile relative("ro.ini");
    std::string message;
    try {
        relative.SetUartPort(2);
    } catch (const k5::ESettingsWriteError& e) {
        message = e.what();
    }
    std::filesystem::current_path(cwd);
    EXPECT_EQ(message, "Unable to write to " + dir.File("ro.ini"));
}

TEST_F(SettingsFileTest, ReadOnlyDirectoryRefusesANewFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into any directory";
    ::chmod(dir.Path().c_str(), 0555);
    EXPECT_THROW(settings.SetUartPort(2), k5::ESettingsWriteError);
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(SettingsFileTest, WriteThroughALinkReplacesItsTarget) {
    dir.WriteText("real.ini", "[Uart]\nPort=2\n");
    std::filesystem::create_symlink(dir.File("real.ini"), path);
    settings.SetUartPort(5);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(SettingsFile(dir.File("real.ini")).GetUartPort(), 5);
}

TEST_F(SettingsFileTest, NothingIsCached) {
    EXPECT_EQ(PortFromFile("[Uart]\nPort=2\n"), 2);
    EXPECT_EQ(PortFromFile("[Uart]\nPort=3\n"), 3);
    std::filesystem::remove(path);
    EXPECT_EQ(settings.GetUartPort(), 1);
}

}  // namespace
