// The session flags: set by the receive handler on the thread that receives,
// cleared and polled by the session's worker. Waits sleep on a condition
// variable that every set and every stop request wakes, measured on the
// monotonic clock.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace k5 {

inline constexpr std::int32_t kInitialChunkDelayFactor = 300;
inline constexpr std::uint16_t kReceiveHandlerLimit = 400;  // bytes of a block that are looked at

class SessionState {
  public:
    using Clock = std::chrono::steady_clock;

    std::atomic<bool> SessionRunning{false};
    std::atomic<bool> PortOk{false};
    std::atomic<bool> GotStx{false};
    std::atomic<bool> GotFd{false};
    std::atomic<bool> GotAck{false};
    std::atomic<bool> GotEot{false};
    std::atomic<std::int32_t> ChunkDelayFactor{kInitialChunkDelayFactor};  // units of 6 microseconds

    // The receive handler: looks at the first 400 bytes of a block and sets
    // GotAck (0x06), GotEot (0x04), GotStx (0x02) and GotFd (0xFD). Never clears.
    void ReceiveBytes(const std::uint8_t* buffer, std::uint16_t length);

    // Ends every wait at once, now and until ClearStop.
    void RequestStop();
    void ClearStop();
    bool StopRequested() const { return stop_.load(); }

    // Ends the flag polls at once as if their time had run out, and the plain
    // sleeps at once, until cleared (the port hung up; cleared when it opens again).
    void SetPortLost(bool lost);
    bool PortLost() const { return portLost_.load(); }

    enum class WaitEnd { Done, TimedOut, Stopped };
    // Sleeps until `done` holds, `limit` has passed, or a stop is requested.
    WaitEnd WaitFor(const std::function<bool()>& done, Clock::duration limit);
    // A plain sleep that only a stop request or a lost port cuts short.
    WaitEnd Sleep(Clock::duration duration);
    // Blocks until SessionRunning is clear or `limit` passes; true when clear.
    bool WaitUntilIdle(Clock::duration limit);
    // Wakes every wait so that it looks at the flags again.
    void Wake();

  private:
    // The flag an answer byte sets, or nothing.
    std::atomic<bool>* FlagFor(std::uint8_t answer);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> portLost_{false};
};

}  // namespace k5
