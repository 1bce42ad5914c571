#include "memory_port.h"

#include <cerrno>
#include <vector>

#include "transfer_mode.h"

namespace k5::test {
MemoryPort::MemoryPort(sim::SimOptions controller)
    : controller_(std::move(controller)), thread_([this] { DeliverAnswers(); }) {}

MemoryPort::~MemoryPort() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void MemoryPort::Bind(Receiver* receiver) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !delivering_; });  // an unbound receiver is never called again
    receiver_ = receiver;
}

std::optional<SessionPort::OpenFailure> MemoryPort::Open(const std::string& name, std::uint32_t baud,
                                                         Delivery delivery) {
    std::lock_guard lock(mutex_);
    open_ = false;
    name_ = name;
    if (refusal_) return refusal_;
    if (controller_.Unplugged()) return OpenFailure{name, ENOENT};
    open_ = true;
    baud_ = baud;
    deliveryDelay_ =
        std::chrono::milliseconds(delivery == Delivery::Fast ? kFastReadIntervalMs : kStandardReadIntervalMs);
    return std::nullopt;
}

void MemoryPort::Write(const std::uint8_t* bytes, std::uint16_t count) {
    {
        std::lock_guard lock(mutex_);
        if (!open_) return;
        for (std::uint16_t i = 0; i < count; ++i) controller_.Deliver({baud_, bytes[i]});
    }
    changed_.notify_all();
}

void MemoryPort::Close() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

void MemoryPort::RefuseOpens(OpenFailure failure) {
    std::lock_guard lock(mutex_);
    refusal_ = std::move(failure);
}

bool MemoryPort::IsOpen() const {
    std::lock_guard lock(mutex_);
    return open_;
}

std::string MemoryPort::Name() const {
    std::lock_guard lock(mutex_);
    return name_;
}

std::uint32_t MemoryPort::Baud() const {
    std::lock_guard lock(mutex_);
    return baud_;
}

int MemoryPort::HangUps() const {
    std::lock_guard lock(mutex_);
    return hangUps_;
}

MemoryPort::Clock::time_point MemoryPort::FirstHangUp() const {
    std::lock_guard lock(mutex_);
    return firstHangUp_;
}

void MemoryPort::DeliverAnswers() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        const auto now = Clock::now();
        controller_.Advance(now);
        while (!controller_.Answers().empty() && controller_.Answers().front().at <= now) {
            const auto answer = controller_.Answers().front();
            inFlight_.push_back({answer.value, answer.at + deliveryDelay_});
            controller_.PopAnswer();
        }
        std::vector<std::uint8_t> due;
        while (!inFlight_.empty() && inFlight_.front().at <= now) {
            due.push_back(inFlight_.front().value);
            inFlight_.pop_front();
        }
        if (controller_.Unplugged()) inFlight_.clear();
        const bool hangUp = open_ && controller_.Unplugged();
        if (hangUp) {
            open_ = false;
            if (hangUps_++ == 0) firstHangUp_ = now;
        }
        // Answers to a closed port are lost on the line.
        const bool deliver = open_ && !due.empty();
        if ((deliver || hangUp) && receiver_ != nullptr) {
            Receiver* receiver = receiver_;
            delivering_ = true;
            lock.unlock();
            if (deliver) receiver->ReceiveData(due.data(), static_cast<std::uint16_t>(due.size()));
            if (hangUp) receiver->PortHungUp();
            lock.lock();
            delivering_ = false;
            changed_.notify_all();
            continue;
        }
        std::optional<Clock::time_point> next = controller_.NextDue();
        if (!inFlight_.empty() && (!next || inFlight_.front().at < *next)) next = inFlight_.front().at;
        if (next) {
            changed_.wait_until(lock, *next);
        } else {
            changed_.wait(lock);
        }
    }
}

}  // namespace k5::test
