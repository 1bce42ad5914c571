#include "event_loop.h"

namespace k5::serial {

bool EventLoop::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        if (shutdown_) return false;
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void EventLoop::Wake() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_one();
}

void EventLoop::Shutdown() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex_);
        shutdown_ = true;
        dropped.swap(tasks_);
    }
    wake_.notify_all();
}

bool EventLoop::RunOne(std::unique_lock<std::mutex>& lock) {
    if (tasks_.empty()) return false;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    return true;
}

std::size_t EventLoop::RunPending() {
    std::unique_lock lock(mutex_);
    std::size_t ran = 0;
    for (std::size_t queued = tasks_.size(); queued > 0 && RunOne(lock); --queued) ++ran;
    return ran;
}

bool EventLoop::RunUntil(const std::function<bool()>& done, Clock::duration timeout) {
    const auto deadline = Clock::now() + timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        while (RunOne(lock)) {
        }
        lock.unlock();
        if (done()) return true;
        lock.lock();
        if (!tasks_.empty()) continue;
        woken_ = false;
        if (!wake_.wait_until(lock, deadline, [this] { return !tasks_.empty() || woken_ || shutdown_; })) {
            lock.unlock();
            return done();
        }
        if (shutdown_ && tasks_.empty()) {
            lock.unlock();
            return done();
        }
    }
}

void EventLoop::RunFor(Clock::duration duration) {
    RunUntil([] { return false; }, duration);
}

}  // namespace k5::serial
