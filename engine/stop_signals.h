// Turns SIGINT and SIGTERM into a call on a thread of its own while the
// object lives. Threads started afterwards inherit the blocked signals, so
// the call is the only thing a signal does.
#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace k5 {

class StopSignals {
  public:
    explicit StopSignals(std::function<void()> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A signal came and `onSignal` ran.
    bool Caught() const { return caught_.load(); }

  private:
    sigset_t set_{};
    sigset_t previous_{};
    std::atomic<bool> done_{false};
    std::atomic<bool> caught_{false};
    std::thread thread_;
};

// A write to a closed pipe (`k5-iap ... | head`) fails with EPIPE instead of
// ending the process: a session is never cut short by its reader going away.
void IgnoreClosedOutput();

}  // namespace k5
