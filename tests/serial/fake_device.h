// A serial device for what pseudo-terminals cannot show: every line-settings
// call, line counters, modem changes and injected failures. Its data path is
// a socket pair; the test holds the far end ("the wire").
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "serial_device.h"

namespace k5::test {

struct FakeLine {
    std::mutex mutex;
    std::vector<serial::LineSettings> applied;
    std::vector<std::string> openedPaths;
    int opens = 0;
    int closes = 0;
    int openError = 0;  // errno for the next Open
    bool notATerminal = false;
    std::atomic<int> lowLatencyRequests{0};
    std::optional<serial::LineCounters> counters;
    serial::ModemChanged modem;
    std::atomic<int> writeErrno{0};
    int wire = -1;  // the far end of the open device

    std::size_t AppliedCount() {
        std::lock_guard lock(mutex);
        return applied.size();
    }
    serial::LineSettings LastApplied() {
        std::lock_guard lock(mutex);
        return applied.back();
    }
    bool FireModem(std::uint32_t bits) {
        std::lock_guard lock(mutex);
        if (!modem) return false;
        modem(bits);
        return true;
    }
    void CountErrors(const std::function<void(serial::LineCounters&)>& change) {
        std::lock_guard lock(mutex);
        if (counters) change(*counters);
    }
    void SendFromWire(const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> ReadWire(std::size_t count, int timeoutMs);
    void CutWire();
};

class FakeSystem : public serial::posix::PosixSystem {
  public:
    std::unique_ptr<serial::SerialDevice> CreateDevice() override;
    serial::UniqueFd CreateStopEvent() override;
    bool StartThread(std::thread& thread, std::function<void()> body) override;

    std::shared_ptr<FakeLine> line = std::make_shared<FakeLine>();
    bool failStopEvent = false;
    int failThread = -1;  // 0: the next reader, 1: the next writer
    std::atomic<int> liveStopEvents{0};

  private:
    int threadsStarted_ = 0;
};

}  // namespace k5::test
