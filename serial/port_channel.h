// One open port with its reader and writer threads. TComm keeps the
// properties, the order of opening and closing, and the events; the channel
// keeps the writer's queue, the threads' loops and the stop, purge, join and
// close order; the system's PortIo below it makes only OS calls (as Qt's serial
// port keeps its buffers in one shared private class over per-OS backends).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "port_io.h"

namespace k5::serial {

// One block for the writer, handed over with its memory.
struct WriteRequest {
    std::uint16_t length = 0;
    std::unique_ptr<std::uint8_t[]> block;  // length + 1 bytes, the last one 0
};

// The writer's queue: blocks in call order until it is closed.
class WriteQueue {
  public:
    // Any thread. False once the queue is closed.
    bool Push(WriteRequest request);
    std::optional<WriteRequest> TryPop();
    // Refuses further pushes and releases what is still queued.
    void Close();

  private:
    std::mutex mutex_;
    std::deque<WriteRequest> requests_;
    bool closed_ = false;
};

// The steps of OpenComm and CloseComm, called by TComm in this order from one
// thread at a time. A step that fails has made nothing that Close would miss.
class PortChannel {
  public:
    explicit PortChannel(std::unique_ptr<PortIo> io);
    ~PortChannel();
    PortChannel(const PortChannel&) = delete;
    PortChannel& operator=(const PortChannel&) = delete;

    int Open(const std::string& device) { return io_->Open(device); }
    int SetupQueues(std::size_t inputSize, std::size_t outputSize) {
        return io_->SetupQueues(inputSize, outputSize);
    }
    void Purge(bool receive, bool transmit) { io_->Purge(receive, transmit); }
    void ApplyTimeouts(const CommTimeouts& timeouts) { io_->ApplyTimeouts(timeouts); }
    void ApplyLineSettings(const LineSettings& settings) { io_->ApplyLineSettings(settings); }
    void SetLowLatency() { io_->SetLowLatency(); }

    // The stop event, the writer's queue and the events the threads wait on.
    bool PrepareThreads();
    // Start the threads; they report through `notifier` until stopped.
    bool StartReader(std::shared_ptr<Notifier> notifier);
    bool StartWriter(std::shared_ptr<Notifier> notifier);
    // Queues a block for the writer; false when no writer runs or it has ended.
    bool Write(WriteRequest request);
    // Signal the stop event, purge the direction, wait for the thread.
    void StopReader();
    void StopWriter();
    // Releases the queue, the events and the device.
    void Close();

  private:
    std::unique_ptr<PortIo> io_;
    std::shared_ptr<WriteQueue> queue_;
    std::thread reader_;
    std::thread writer_;
};

}  // namespace k5::serial
