// The settings file on Linux: other programs saving at once, owners, folders and links.
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

TEST_F(SettingsFileTest, ASaveKeepsTheFilesOwnerAndMode) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=2\n");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    settings.SetUartPort(5);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    EXPECT_EQ(settings.GetUartPort(), 5);
}

TEST_F(SettingsFileTest, WritableFileInAClosedFolderIsWrittenInPlace) {
    dir.WriteText("eBikeSet.ini", "[Uart]\nPort=2\n");
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    const auto saveWithoutFolderRights = [&] {
        if (::geteuid() != 0) {
            ::chmod(dir.Path().c_str(), 0555);
            settings.SetUartPort(8);
            ::chmod(dir.Path().c_str(), 0755);
            return;
        }
        // Root may write any folder: save as a user who owns the file only.
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            try {
                settings.SetUartPort(8);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    };
    saveWithoutFolderRights();
    EXPECT_EQ(settings.GetUartPort(), 8);
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the same file, written in place";
}

TEST_F(SettingsFileTest, WriteThroughALinkReplacesItsTarget) {
    dir.WriteText("real.ini", "[Uart]\nPort=2\n");
    std::filesystem::create_symlink(dir.File("real.ini"), path);
    settings.SetUartPort(5);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(SettingsFile(dir.File("real.ini")).GetUartPort(), 5);
}

}  // namespace
