#include "port_channel.h"

#include <system_error>

#include "port_threads.h"

namespace k5::serial {

bool WriteQueue::Push(WriteRequest request) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    requests_.push_back(std::move(request));
    return true;
}

std::optional<WriteRequest> WriteQueue::TryPop() {
    std::lock_guard lock(mutex_);
    if (requests_.empty()) return std::nullopt;
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

bool PortIo::StartThread(std::thread& thread, std::function<void()> body) {
    return StartStdThread(thread, std::move(body));
}

bool StartStdThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

PortChannel::PortChannel(std::unique_ptr<PortIo> io) : io_(std::move(io)) {}

PortChannel::~PortChannel() {
    StopReader();
    StopWriter();
    Close();
}

bool PortChannel::PrepareThreads() {
    queue_ = std::make_shared<WriteQueue>();
    return io_->CreateEvents();
}

bool PortChannel::StartReader(std::shared_ptr<Notifier> notifier) {
    auto reader = std::make_shared<TReadThread>(*io_, std::move(notifier));
    return io_->StartThread(reader_, [reader] { reader->Execute(); });
}

bool PortChannel::StartWriter(std::shared_ptr<Notifier> notifier) {
    auto writer = std::make_shared<TWriteThread>(*io_, queue_, std::move(notifier));
    return io_->StartThread(writer_, [writer] { writer->Execute(); });
}

bool PortChannel::Write(WriteRequest request) {
    if (!writer_.joinable() || !queue_ || !queue_->Push(std::move(request))) return false;
    io_->WakeWriter();
    return true;
}

void PortChannel::StopReader() {
    if (!reader_.joinable()) return;
    io_->SignalStop();
    io_->Purge(true, false);
    reader_.join();
}

void PortChannel::StopWriter() {
    if (!writer_.joinable()) return;
    io_->SignalStop();
    io_->Purge(false, true);
    writer_.join();
}

void PortChannel::Close() {
    if (queue_) queue_->Close();
    queue_.reset();
    io_->Close();
}

}  // namespace k5::serial
