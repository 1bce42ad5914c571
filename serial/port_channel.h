// The operating system's side of the component: one open port with its reader
// and writer threads. TComm keeps the properties, the order of opening and
// closing, and the notifications; each platform brings a PortChannel
// (serial/posix/, serial/win32/), as Qt's serial port brings one private class
// per system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "comm_types.h"

namespace k5::serial {

class Notifier;

// One block for the writer, handed over with its memory.
struct WriteRequest {
    std::uint16_t length = 0;
    std::unique_ptr<std::uint8_t[]> block;  // length + 1 bytes, the last one 0
};

// The steps of OpenComm and CloseComm, called by TComm in this order from one
// thread at a time. A step that fails has made nothing that Close would miss.
class PortChannel {
  public:
    virtual ~PortChannel() = default;

    // Opens `device` exclusively: 0, or the OS error (errno or GetLastError()).
    virtual int Open(const std::string& device) = 0;
    // Sizes the driver's queues: 0, or the OS error (the device is no serial port).
    virtual int SetupQueues(std::size_t inputSize, std::size_t outputSize) = 0;
    virtual void Purge(bool receive, bool transmit) = 0;
    // Apply what the platform can express; the rest is ignored and nothing is reported.
    virtual void ApplyTimeouts(const CommTimeouts& timeouts) = 0;
    virtual void ApplyLineSettings(const LineSettings& settings) = 0;
    // The manual-reset stop event and the writer's queue.
    virtual bool CreateStopEvent() = 0;
    // Start the threads; they report through `notify` until stopped.
    virtual bool StartReader(std::shared_ptr<Notifier> notify) = 0;
    virtual bool StartWriter(std::shared_ptr<Notifier> notify) = 0;
    // Queues a block for the writer; false when no writer runs or it has ended.
    virtual bool Write(WriteRequest request) = 0;
    // Signal the stop event, purge the direction, wait for the thread.
    virtual void StopReader() = 0;
    virtual void StopWriter() = 0;
    // Releases the queue, the event and the device.
    virtual void Close() = 0;
};

class PortBackend {
  public:
    virtual ~PortBackend() = default;
    virtual std::unique_ptr<PortChannel> CreateChannel() = 0;
};

// The platform's own serial ports.
std::shared_ptr<PortBackend> NativePortBackend();

}  // namespace k5::serial
