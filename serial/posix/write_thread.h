// The writer: sends the blocks WriteComm queued, whole and in order, and
// reports when its queue has run empty.
#pragma once

#include <memory>

#include "notifier.h"
#include "serial_device.h"
#include "write_queue.h"

namespace k5::serial {

class TWriteThread {
  public:
    // Fields handed over by OpenComm before the thread starts.
    SerialDevice* PortHandle = nullptr;
    int StopEvent = -1;
    std::shared_ptr<Notifier> NotifyWindow;
    std::shared_ptr<WriteQueue> Queue;

    // The thread body.
    void Execute();

  private:
    enum class WaitEnd { Stop, Ready, Failed };

    bool WriteBlock(const std::uint8_t* block, std::size_t length);
    WaitEnd WaitFor(int descriptor, short events);
};

}  // namespace k5::serial
