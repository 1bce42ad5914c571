// A small event loop for programs and tests without a GUI toolkit: other
// threads Post work, the owning thread runs it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "dispatcher.h"

namespace k5::serial {

class EventLoop : public Dispatcher {
  public:
    using Clock = std::chrono::steady_clock;

    bool Post(std::function<void()> task) override;

    // Runs posted work until `done` holds or `timeout` passes; true when `done` held.
    bool RunUntil(const std::function<bool()>& done, Clock::duration timeout);
    // Runs posted work for `duration`.
    void RunFor(Clock::duration duration);
    // Runs what is queued now, without waiting. Returns how many tasks ran.
    std::size_t RunPending();
    // Wakes a RunUntil so that it checks `done` again.
    void Wake();
    // Refuses further posts and drops what is queued.
    void Shutdown();

  private:
    bool RunOne(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool shutdown_ = false;
    bool woken_ = false;
};

}  // namespace k5::serial
