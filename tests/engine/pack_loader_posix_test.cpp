// The loader on Linux: files that are not regular, and permissions.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "pack_loader_fixture.h"
#include "station_pack.h"

namespace {

using k5::sim::GenerateImage;
using k5::sim::PackRecipe;
using k5::test::PackLoaderTest;

TEST_F(PackLoaderTest, AFifoOrADeviceIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(dir.File("fifo.Pack").c_str(), 0600), 0);
    EXPECT_EQ(LoadErrorCode(dir.File("fifo.Pack")), 5);
    EXPECT_EQ(LoadErrorCode("/dev/tty"), 5);
}

// The station words such a pack as k5-iap info does: what the file is.
TEST_F(PackLoaderTest, APackThatIsNoFileSaysWhatItIs) {
    ASSERT_EQ(::mkfifo(dir.File("fifo.Pack").c_str(), 0600), 0);
    try {
        store.LoadPack(dir.File("fifo.Pack"));
        FAIL() << "a FIFO was read";
    } catch (const k5::EInOutError& e) {
        EXPECT_EQ(k5::PackUnreadableText(dir.File("fifo.Pack"), e),
                  "File access denied (not a regular file: a FIFO)");
        EXPECT_EQ(k5::PackUnreadableText(dir.File("none.Pack"), e), "File access denied");
    }
    EXPECT_EQ(k5::StationPackProblemText("/dev/null", EINVAL), "not a regular file: a character device");
}

TEST_F(PackLoaderTest, UnreadableFileIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    PackRecipe recipe;
    auto path = WritePack(recipe);
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(LoadErrorCode(path), 5);
}

}  // namespace
