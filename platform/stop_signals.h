// Turns a stop request from outside (Ctrl+C, a termination request) into a
// call on a thread of its own while the object lives, and nothing else: the
// process is not ended by it. On Linux: SIGINT and SIGTERM; on Windows: the
// console's Ctrl+C, Ctrl+Break and close events. After a stop request the
// signals stay blocked on the thread that made the object, also once it is
// gone: a late Ctrl+C cannot kill a program that is already stopping.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace k5 {

class StopSignals {
  public:
    explicit StopSignals(std::function<void()> onSignal);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // A stop request came and `onSignal` ran.
    bool Caught() const { return caught_.load(); }

  private:
    struct Watch;
    std::atomic<bool> caught_{false};
    std::function<void()> onSignal_;
    std::unique_ptr<Watch> watch_;
};

// A write to a closed pipe (`k5-iap ... | head`) fails instead of ending the
// process: a session is never cut short by its reader going away.
void IgnoreClosedOutput();

}  // namespace k5
