// The reader's loop on Linux: polls the device and the stop event, completes
// reads by the Win32 time-out rules, and reports line errors and modem changes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "comm_types.h"
#include "line_mark_decoder.h"
#include "notifier.h"
#include "serial_device.h"

namespace k5::serial::posix {

// The time-outs as last applied, shared with the reader. Time-outs may be
// re-applied while the port is open, from the thread that drives the component.
class SharedTimeouts {
  public:
    void Set(const CommTimeouts& t) {
        std::lock_guard lock(mutex_);
        timeouts_ = t;
    }
    CommTimeouts Get() const {
        std::lock_guard lock(mutex_);
        return timeouts_;
    }

  private:
    mutable std::mutex mutex_;
    CommTimeouts timeouts_;
};

class ReadLoop {
  public:
    ReadLoop(SerialDevice& device, int stopEvent, const SharedTimeouts& timeouts, Notifier& notifier)
        : device_(device), stopEvent_(stopEvent), timeouts_(timeouts), notifier_(notifier) {}

    // Until the stop event, a hang-up or a refused notification.
    void Run();

  private:
    enum class ReadEnd { Completed, Stop, Quiet, Hangup };
    struct Read {
        ReadEnd end;
        std::size_t count;
    };

    Read ReadOnce(std::uint8_t* block);
    bool ReportLineErrors(const LineMarkDecoder::Marks& marks);

    SerialDevice& device_;
    int stopEvent_;
    const SharedTimeouts& timeouts_;
    Notifier& notifier_;
    LineMarkDecoder decoder_;
    std::optional<LineCounters> counters_;
};

}  // namespace k5::serial::posix
