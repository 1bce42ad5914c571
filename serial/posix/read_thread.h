// The reader: waits for received bytes and line events and hands each
// completed read over as a notification.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "comm_types.h"
#include "line_mark_decoder.h"
#include "notifier.h"
#include "serial_device.h"

namespace k5::serial {

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

class TReadThread {
  public:
    // Fields handed over by OpenComm before the thread starts.
    SerialDevice* PortHandle = nullptr;
    int StopEvent = -1;
    std::shared_ptr<Notifier> NotifyWindow;
    std::shared_ptr<const SharedTimeouts> Timeouts;

    // The thread body.
    void Execute();

  private:
    enum class ReadEnd { Completed, Stop, Quiet, Hangup };
    struct Read {
        ReadEnd end;
        std::size_t count;
    };

    Read ReadOnce(std::uint8_t* block);
    bool Deliver(const std::uint8_t* bytes, std::size_t count);
    bool ReportLineErrors(const LineMarkDecoder::Marks& marks);
    void PostHangup();

    LineMarkDecoder decoder_;
    std::optional<LineCounters> counters_;
};

}  // namespace k5::serial
