// The port's two thread bodies. Neither calls into the component: their only
// outputs are the bytes written to the port and the notifications posted to
// the notifier.
#pragma once

#include <memory>

#include "notifier.h"
#include "port_channel.h"
#include "port_io.h"

namespace k5::serial {

// Waits for received bytes and line events (the system's loop) and hands each
// over; purges the receive side when it ends.
class TReadThread {
  public:
    TReadThread(PortIo& io, std::shared_ptr<Notifier> notifier) : io_(io), notifier_(std::move(notifier)) {}
    void Execute();

  private:
    PortIo& io_;
    std::shared_ptr<Notifier> notifier_;
};

// Sends the queued blocks, whole and in order, and reports once each time its
// queue has run empty. Closes the queue when it ends, so that WriteComm fails.
class TWriteThread {
  public:
    TWriteThread(PortIo& io, std::shared_ptr<WriteQueue> queue, std::shared_ptr<Notifier> notifier)
        : io_(io), queue_(std::move(queue)), notifier_(std::move(notifier)) {}
    void Execute();

  private:
    void Loop();

    PortIo& io_;
    std::shared_ptr<WriteQueue> queue_;
    std::shared_ptr<Notifier> notifier_;
};

}  // namespace k5::serial
