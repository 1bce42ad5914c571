#include "write_queue.h"

#include "stop_event.h"

namespace k5::serial {

WriteQueue::WriteQueue() : wake_(MakeEventFd()) {}

bool WriteQueue::Push(WriteRequest request) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        requests_.push_back(std::move(request));
    }
    SignalEvent(wake_.Get());
    return true;
}

std::optional<WriteRequest> WriteQueue::TryPop() {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) {
        DrainEvent(wake_.Get());
        return std::nullopt;
    }
    auto request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

void WriteQueue::Close() {
    std::deque<WriteRequest> released;
    std::lock_guard lock(mutex_);
    closed_ = true;
    released.swap(requests_);
}

}  // namespace k5::serial
