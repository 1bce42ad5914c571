// The settings file on Linux: other programs saving at once, folders and links.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "settings_fixture.h"

namespace {

using k5::SettingsFile;
using k5::test::SettingsFileTest;

TEST_F(SettingsFileTest, ConcurrentAndKilledWritesLoseNothingAndLeaveNothing) {
    // Two programs saving at once: each one's last write survives.
    const pid_t other = ::fork();
    ASSERT_GE(other, 0);
    const char* key = other == 0 ? "Port" : "BaudRate";
    for (int i = 1; i <= 150; ++i) settings.WriteString("Uart", key, std::to_string(i));
    if (other == 0) ::_exit(0);
    int status = 0;
    ::waitpid(other, &status, 0);
    EXPECT_EQ(settings.ReadString("Uart", "Port"), "150");
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "150");

    // Programs killed in the middle of saving: the next save clears what they left.
    for (int kill = 0; kill < 40; ++kill) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            for (int i = 0;; ++i) settings.SetUartPort(i % 9 + 1);
        }
        ::usleep(static_cast<useconds_t>(200 + 137 * kill % 3000));
        ::kill(writer, SIGKILL);
        ::waitpid(writer, &status, 0);
    }
    EXPECT_GE(settings.GetUartPort(), 1) << "the file is always whole";
    settings.SetUartPort(4);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_EQ(settings.ReadString("Uart", "BaudRate"), "150");
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

}  // namespace
