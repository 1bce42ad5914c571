#include "read_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace k5::serial::posix {
namespace {

using Clock = std::chrono::steady_clock;

// How one read completes, from the Win32 time-out rules.
struct ReadPlan {
    std::optional<Clock::duration> total;     // from the start of the read
    std::optional<Clock::duration> interval;  // between two bytes, once one came
    bool returnOnFirstBytes = false;          // complete as soon as anything came
};

ReadPlan PlanFor(const CommTimeouts& t) {
    using std::chrono::milliseconds;
    ReadPlan plan;
    const bool intervalForever = t.readIntervalTimeout == kTimeoutForever;
    if (intervalForever && t.readTotalTimeoutMultiplier == 0 && t.readTotalTimeoutConstant == 0) {
        // "Return at once with what is there": waits for the first bytes
        // instead of returning empty, so an idle port costs no CPU.
        plan.returnOnFirstBytes = true;
        return plan;
    }
    if (intervalForever && t.readTotalTimeoutMultiplier == kTimeoutForever &&
        t.readTotalTimeoutConstant > 0 && t.readTotalTimeoutConstant < kTimeoutForever) {
        plan.returnOnFirstBytes = true;
        plan.total = milliseconds(t.readTotalTimeoutConstant);
        return plan;
    }
    const std::uint64_t total =
        std::uint64_t{t.readTotalTimeoutMultiplier} * kQueueSize + t.readTotalTimeoutConstant;
    if (total > 0) plan.total = milliseconds(total);
    if (t.readIntervalTimeout > 0 && !intervalForever) plan.interval = milliseconds(t.readIntervalTimeout);
    return plan;
}

timespec ToTimespec(Clock::duration d) {
    if (d < Clock::duration::zero()) d = Clock::duration::zero();
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

bool IsHangupError(int err) { return err != EBADF; }

}  // namespace

bool ReadLoop::ReportLineErrors(const LineMarkDecoder::Marks& marks) {
    std::uint32_t flags = 0;
    if (counters_) {
        // The driver's counters say which error it was, and see overruns too.
        if (auto now = device_.Counters()) {
            if (now->bufferOverrun != counters_->bufferOverrun) flags |= CE_RXOVER;
            if (now->overrun != counters_->overrun) flags |= CE_OVERRUN;
            if (now->parity != counters_->parity) flags |= CE_RXPARITY;
            if (now->frame != counters_->frame) flags |= CE_FRAME;
            if (now->brk != counters_->brk) flags |= CE_BREAK;
            counters_ = now;
        }
    }
    if (flags == 0 && marks.errors > 0) {
        if (marks.breaks > 0) flags |= CE_BREAK;
        if (marks.errors > marks.breaks) flags |= CE_FRAME;
    }
    if (flags == 0) return true;
    return notifier_.PostOrHangUp(NotifyCode::NotifyReceiveError, flags);
}

ReadLoop::Read ReadLoop::ReadOnce(std::uint8_t* block) {
    const ReadPlan plan = PlanFor(timeouts_.Get());
    const auto start = Clock::now();
    std::optional<Clock::time_point> lastByte;
    std::size_t got = 0;
    std::array<std::uint8_t, kQueueSize> raw{};

    for (;;) {
        std::optional<Clock::time_point> deadline;
        if (plan.total) deadline = start + *plan.total;
        if (lastByte && plan.interval) {
            const auto intervalEnd = *lastByte + *plan.interval;
            deadline = deadline ? std::min(*deadline, intervalEnd) : intervalEnd;
        }
        pollfd fds[2] = {{stopEvent_, POLLIN, 0}, {device_.Descriptor(), POLLIN, 0}};
        timespec wait{};
        if (deadline) wait = ToTimespec(*deadline - Clock::now());
        const int ready = ::ppoll(fds, 2, deadline ? &wait : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return {ReadEnd::Hangup, got};
        }
        if (fds[0].revents & POLLIN) return {ReadEnd::Stop, got};
        if (ready == 0) return {ReadEnd::Completed, got};  // a time-out ended the read
        if (fds[1].revents & POLLNVAL) return {ReadEnd::Quiet, got};

        const std::size_t room = kQueueSize - got - decoder_.PendingOutput();
        const ssize_t n = device_.Read(raw.data(), room);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                if (fds[1].revents & (POLLHUP | POLLERR)) return {ReadEnd::Hangup, got};
                continue;
            }
            return {IsHangupError(errno) ? ReadEnd::Hangup : ReadEnd::Quiet, got};
        }
        if (n == 0) return {ReadEnd::Hangup, got};  // end of file after POLLIN: the device went away

        LineMarkDecoder::Marks marks;
        got += decoder_.Feed(raw.data(), static_cast<std::size_t>(n), block + got, marks);
        if (!ReportLineErrors(marks)) return {ReadEnd::Quiet, got};
        if (got > 0) lastByte = Clock::now();
        if (got >= kQueueSize - decoder_.PendingOutput()) return {ReadEnd::Completed, got};
        if (plan.returnOnFirstBytes && got > 0) return {ReadEnd::Completed, got};
    }
}

void ReadLoop::Run() {
    counters_ = device_.Counters();
    auto modemWatch = device_.WatchModem([&notifier = notifier_](std::uint32_t bits) {
        notifier.PostOrHangUp(NotifyCode::NotifyModemStateChange, bits);
    });

    std::array<std::uint8_t, kQueueSize + 1> block{};
    for (;;) {
        const Read read = ReadOnce(block.data());
        // Bytes that came in before a stop or a hang-up are still handed over.
        if (read.count > 0 && !notifier_.PostReceived(block.data(), read.count)) break;
        if (read.end == ReadEnd::Hangup) {
            notifier_.PostHangupOnce();
            break;
        }
        if (read.end != ReadEnd::Completed) break;
        // An empty completion (a total time-out) simply starts the next read.
    }
}

}  // namespace k5::serial::posix
