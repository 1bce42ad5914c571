// The writer's queue: blocks in call order, and an eventfd that wakes the writer.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "port_channel.h"
#include "unique_fd.h"

namespace k5::serial {

class WriteQueue {
  public:
    WriteQueue();
    bool Valid() const { return wake_.Valid(); }
    // Any thread. False once the queue is closed.
    bool Push(WriteRequest request);
    std::optional<WriteRequest> TryPop();
    // Refuses further pushes and releases what is still queued.
    void Close();
    // Readable while requests may be waiting.
    int WakeDescriptor() const { return wake_.Get(); }

  private:
    std::mutex mutex_;
    std::deque<WriteRequest> requests_;
    bool closed_ = false;
    UniqueFd wake_;
};

}  // namespace k5::serial
