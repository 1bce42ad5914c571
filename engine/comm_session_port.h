// A session's port on the serial port component: AVS1, "COM1" at 9600 baud
// until a session opens it, COM names resolved through the settings file.
// Received data reaches the session on the thread that created the component.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "SerialComm.h"
#include "session_port.h"
#include "settings_file.h"

namespace k5 {

class CommSessionPort : public SessionPort {
  public:
    // `thread` is where the component's events run; `settings` must outlive the port.
    CommSessionPort(serial::Dispatcher& thread, const SettingsFile& settings);

    void Bind(Receiver* receiver) override { receiver_ = receiver; }
    std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud, Delivery delivery) override;
    void Write(const std::uint8_t* bytes, std::uint16_t count) override;
    void Close() override;

    serial::TComm& Comm() { return comm_; }
    // Bytes the port has taken to send since the count was last reset.
    std::uint64_t BytesWritten() const { return written_.load(); }
    void ResetBytesWritten() { written_.store(0); }
    // Told after the session, with the device, when the line hangs up (for a front end's note).
    std::function<void(const std::string& device)> OnHungUp;

  private:
    serial::TComm comm_;
    Receiver* receiver_ = nullptr;
    std::atomic<std::uint64_t> written_{0};
};

}  // namespace k5
