// A port as the station holds it: the session's port, with what the station
// keeps of it between sessions: the device the last open led to, the bytes
// sent, and a hang-up told to the station whoever is bound. Its received data
// and hang-ups arrive on the station's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session_port.h"

namespace k5 {

class StationPort : public SessionPort {
  public:
    // The device the last open led to ("/dev/ttyUSB0", "\\.\COM3").
    virtual std::string Device() const = 0;
    // Bytes the port has taken to send since the count was last reset.
    virtual std::uint64_t BytesWritten() const = 0;
    virtual void ResetBytesWritten() = 0;
    // Told after the bound receiver, with the device, when the line hangs up.
    std::function<void(const std::string& device)> OnHungUp;
};

}  // namespace k5
