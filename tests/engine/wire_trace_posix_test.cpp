// A trace named where no regular file is: refused at once, with what is there.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/temp_dir.h"
#include "wire_trace.h"

namespace {

// In a child, which a blocked open cannot take the test down with.
int RefusalIn(const std::string& path, const std::string& why) {
    const pid_t child = ::fork();
    if (child == 0) {
        const k5::WireTrace trace(path, "k5-iap 5.2 test", false);
        ::_exit(trace.Failed() && k5::WireTraceProblemText(trace) == why ? 0 : 1);
    }
    int status = 0;
    for (int wait = 0; wait < 100 && ::waitpid(child, &status, WNOHANG) == 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(child, &status, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return -1;  // blocked
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(WireTrace, AFifoOrADeviceIsRefusedWithoutWaitingAndSaysWhatItIs) {
    k5::test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_EQ(RefusalIn(dir.File("fifo"), "not a regular file: a FIFO"), 0);
    EXPECT_EQ(RefusalIn("/dev/full", "not a regular file: a character device"), 0);
    EXPECT_EQ(RefusalIn(dir.Path().string(), "a folder, not a file"), 0);
}

}  // namespace
