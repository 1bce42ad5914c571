#include "stop_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(StopSignals, ASecondCtrlCWhileStoppingNeitherKillsNorIsLost) {
    std::atomic<int> calls{0};
    {
        // Stopping takes a while; the second signal comes in the middle of it.
        k5::StopSignals signals([&calls] {
            ++calls;
            std::this_thread::sleep_for(50ms);
        });
        ::kill(::getpid(), SIGINT);
        std::this_thread::sleep_for(10ms);
        ::kill(::getpid(), SIGINT);
        for (int i = 0; i < 100 && calls.load() < 2; ++i) std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(signals.Caught());
    }
    EXPECT_EQ(calls.load(), 2);  // and this process is still alive to say so

    // A third one, after the watch has ended, finds the signal still blocked.
    ::kill(::getpid(), SIGINT);
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    const timespec now{};
    EXPECT_EQ(sigtimedwait(&interrupt, nullptr, &now), SIGINT) << "pending, not delivered";
}

}  // namespace
