// Opening and closing a port many times leaves no thread, descriptor or block behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "SerialComm.h"
#include "event_loop.h"
#include "pty.h"

namespace {

std::size_t Entries(const char* dir) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator{}));
}

TEST(CommLeaks, ThousandOpenCloseCycles) {
    k5::test::PseudoTerminal pty;
    k5::serial::EventLoop loop;
    std::size_t delivered = 0;
    {
        k5::serial::TComm comm(loop);
        comm.SetCommName(pty.SlavePath());
        comm.OnSendDataEmpty = [&](k5::serial::TComm*) { ++delivered; };
        comm.OpenComm();
        comm.CloseComm();
        loop.RunPending();
        const auto fds = Entries("/proc/self/fd");
        const auto threads = Entries("/proc/self/task");
        const std::uint8_t frame[16] = {1, 2, 3};
        for (int i = 0; i < 1000; ++i) {
            comm.SetBaudRate(i % 2 ? 38400 : 9600);
            comm.OpenComm();
            comm.WriteComm(frame, sizeof frame);
            comm.CloseComm();
            loop.RunPending();
            pty.Read(4096, std::chrono::milliseconds(0));
        }
        EXPECT_EQ(Entries("/proc/self/fd"), fds);
        EXPECT_EQ(Entries("/proc/self/task"), threads);
    }
    EXPECT_GT(delivered, 0u);
}

}  // namespace
