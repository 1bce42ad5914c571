#include "session_state.h"

#include <algorithm>
#include <array>

#include "protocol.h"

namespace k5 {

void SessionState::Wake() {
    // Taking the lock orders the wake-up after a waiter's check of its predicate.
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

std::atomic<bool>* SessionState::FlagFor(std::uint8_t answer) {
    switch (answer) {
        case protocol::kAck:
            return &GotAck;
        case protocol::kEot:
            return &GotEot;
        case protocol::kProbeReplyFirst:
            return &GotStx;
        case protocol::kProbeReplySecond:
            return &GotFd;
        default:
            return nullptr;  // every other byte is ignored
    }
}

void SessionState::ReceiveBytes(const std::uint8_t* buffer, std::uint16_t length) {
    std::array<std::uint8_t, kReceiveHandlerLimit> seen{};
    const std::size_t count = std::min<std::size_t>(length, kReceiveHandlerLimit);
    std::copy(buffer, buffer + count, seen.begin());
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::atomic<bool>* flag = FlagFor(seen[i])) {
            flag->store(true);
            any = true;
        }
    }
    if (any) Wake();
}

void SessionState::RequestStop() {
    stop_.store(true);
    Wake();
}

void SessionState::ClearStop() { stop_.store(false); }

void SessionState::SetPortLost(bool lost) {
    portLost_.store(lost);
    if (lost) Wake();
}

SessionState::WaitEnd SessionState::WaitFor(const std::function<bool()>& done, Clock::duration limit) {
    const auto deadline = Clock::now() + limit;
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return stop_.load() || portLost_.load() || done(); });
    if (stop_.load()) return WaitEnd::Stopped;
    return done() ? WaitEnd::Done : WaitEnd::TimedOut;
}

SessionState::WaitEnd SessionState::Sleep(Clock::duration duration) {
    const auto deadline = Clock::now() + duration;
    std::unique_lock lock(mutex_);
    changed_.wait_until(lock, deadline, [&] { return stop_.load() || portLost_.load(); });
    return stop_.load() ? WaitEnd::Stopped : WaitEnd::Done;
}

bool SessionState::WaitUntilIdle(Clock::duration limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return !SessionRunning.load(); });
}

}  // namespace k5
