// The loader on Linux: files that are not regular, and permissions.
#include <sys/stat.h>
#include <unistd.h>

#include "pack_loader_fixture.h"

namespace {

using k5::sim::GenerateImage;
using k5::sim::PackRecipe;
using k5::test::PackLoaderTest;

TEST_F(PackLoaderTest, AFifoOrADeviceIsRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(dir.File("fifo.Pack").c_str(), 0600), 0);
    EXPECT_EQ(LoadErrorCode(dir.File("fifo.Pack")), 5);
    EXPECT_EQ(LoadErrorCode("/dev/tty"), 5);
}

TEST_F(PackLoaderTest, UnreadableFileIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    PackRecipe recipe;
    auto path = WritePack(recipe);
    ::chmod(path.c_str(), 0);
    EXPECT_EQ(LoadErrorCode(path), 5);
}

}  // namespace
