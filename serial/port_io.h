// The operating system's side of one open port: the calls a PortChannel makes
// to open, set up and purge the device, to wait on its events and to read and
// write. Everything else (the write queue, the writer's loop, the order of
// starting and stopping) is the channel's and the same on every system.
// Implementations: serial/posix/posix_port_io.cpp, serial/win32/win32_port_io.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "comm_types.h"

namespace k5::serial {

class Notifier;

// What ended the writer's wait for work.
enum class WriterWake { Work, Stop, Failed };

// How sending one block ended. Quiet: stopped, or the port was closed under
// the writer; HungUp: the device failed and the caller is told.
enum class SendEnd { Sent, Quiet, HungUp };

class PortIo {
  public:
    virtual ~PortIo() = default;

    // Opens `device` exclusively: 0, or the OS error (errno or GetLastError()).
    virtual int Open(const std::string& device) = 0;
    // Sizes the driver's queues: 0, or the OS error (the device is no serial port).
    virtual int SetupQueues(std::size_t inputSize, std::size_t outputSize) = 0;
    virtual void Purge(bool receive, bool transmit) = 0;
    // Apply what the system can express; the rest is ignored and nothing is reported.
    virtual void ApplyTimeouts(const CommTimeouts& timeouts) = 0;
    virtual void ApplyLineSettings(const LineSettings& settings) = 0;
    // Asks the driver not to hold received bytes back; Close puts its setting
    // back. Nothing where the system has no such request or the driver refuses.
    virtual void SetLowLatency() {}

    // The events the threads wait on: the manual-reset stop event, the writer's
    // auto-reset wake-up and whatever the system's overlapped calls need.
    virtual bool CreateEvents() = 0;
    virtual void SignalStop() = 0;
    virtual bool StopSignalled() = 0;

    // Starts `body` on a new thread; false when no thread could be made.
    virtual bool StartThread(std::thread& thread, std::function<void()> body);

    // Reader thread: reads and line events, reported to `notifier`, until the
    // stop event or a failure. The channel purges the receive side afterwards.
    virtual void RunReader(Notifier& notifier) = 0;
    // Reader thread, after that purge: end what the purge may have left pending.
    virtual void ReaderEnded() {}

    // Writer thread: wakes the writer (any thread) / sleeps until woken or stopped.
    virtual void WakeWriter() = 0;
    virtual WriterWake WaitForWork() = 0;
    // Writer thread: writes the whole block unless stopped or failed.
    virtual SendEnd Send(const std::uint8_t* block, std::size_t length) = 0;
    // Writer thread, after the transmit side was purged.
    virtual void WriterEnded() {}

    // Releases the events and the device; both threads have ended.
    virtual void Close() = 0;
};

// The serial ports of one system: the OS side of each opening.
class SerialPorts {
  public:
    virtual ~SerialPorts() = default;
    virtual std::unique_ptr<PortIo> CreatePortIo() = 0;
};

// The system's own serial ports.
std::shared_ptr<SerialPorts> NativeSerialPorts();

// std::thread, with a failure to make one as false.
bool StartStdThread(std::thread& thread, std::function<void()> body);

}  // namespace k5::serial
