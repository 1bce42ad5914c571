// The operating system's side of a serial port, kept behind two small
// interfaces so that the component and its threads can run on a fake device in
// tests. SerialDevice is one open port; PosixSystem makes devices, the stop
// event and the threads.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "comm_types.h"
#include "unique_fd.h"

namespace k5::serial {

// Interrupt counters of a driver that keeps them (TIOCGICOUNT).
struct LineCounters {
    std::uint32_t frame = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t overrun = 0;
    std::uint32_t bufferOverrun = 0;
};

// Stops watching the modem lines when destroyed.
class ModemWatch {
  public:
    virtual ~ModemWatch() = default;
};

// Receives kModemCarrierDetectChanged and/or kModemRing.
using ModemChanged = std::function<void(std::uint32_t modemBits)>;

class SerialDevice {
  public:
    virtual ~SerialDevice() = default;

    // Opens `path` exclusively for non-blocking reading and writing: 0, or the errno.
    virtual int Open(const std::string& path) = 0;
    // Sets up the driver queues; false when the device is not a serial terminal.
    virtual bool SetupQueues(std::size_t inputSize, std::size_t outputSize) = 0;
    virtual void Close() = 0;

    // Polled for POLLIN, POLLOUT and POLLHUP by the threads.
    virtual int Descriptor() const = 0;
    // Non-blocking; -1 with errno set on failure. Received bytes come with line
    // errors marked in band: 0xFF 0x00 X for a bad byte X (X = 0 also for a
    // break), 0xFF 0xFF for a received 0xFF.
    virtual ssize_t Read(std::uint8_t* buffer, std::size_t size) = 0;
    virtual ssize_t Write(const std::uint8_t* buffer, std::size_t size) = 0;
    // Empties the driver's queue of either direction.
    virtual void Purge(bool receive, bool transmit) = 0;

    // Applies every setting the platform can express; the rest is ignored and
    // nothing is reported.
    virtual void ApplyLineSettings(const LineSettings& settings) = 0;
    // ASYNC_LOW_LATENCY where the driver takes it, the old flags back at Close.
    virtual void SetLowLatency() {}

    // Nothing when the driver keeps no counters.
    virtual std::optional<LineCounters> Counters() = 0;
    // Calls `changed` from a thread of its own until the watch is destroyed;
    // nullptr when the driver cannot report modem changes.
    virtual std::unique_ptr<ModemWatch> WatchModem(ModemChanged changed) = 0;
};

namespace posix {

class PosixSystem {
  public:
    virtual ~PosixSystem() = default;
    virtual std::unique_ptr<SerialDevice> CreateDevice() = 0;
    // A manual-reset event: readable once signalled (see stop_event.h). Invalid on failure.
    virtual UniqueFd CreateStopEvent() = 0;
    // Starts `body` on a new thread; false when no thread could be made.
    virtual bool StartThread(std::thread& thread, std::function<void()> body) = 0;
};

// Linux devices, eventfd stop events and std::thread.
std::shared_ptr<PosixSystem> NativePosixSystem();

}  // namespace posix

}  // namespace k5::serial
