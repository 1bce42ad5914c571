// A session's port on the serial port component: AVS1, "COM1" at 9600 baud
// until a session opens it, COM names resolved through the settings file.
// Received data reaches the session on the thread that created the component.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "SerialComm.h"
#include "settings_file.h"
#include "station_port.h"

namespace k5 {

class CommSessionPort : public StationPort {
  public:
    // `thread` is where the component's events run; `settings` must outlive the port.
    CommSessionPort(serial::Dispatcher& thread, const SettingsFile& settings);

    void Bind(Receiver* receiver) override { receiver_ = receiver; }
    std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud, Delivery delivery) override;
    void Write(const std::uint8_t* bytes, std::uint16_t count) override;
    void Close() override;

    serial::TComm& Comm() { return comm_; }
    std::string Device() const override { return comm_.DevicePath(); }
    std::uint64_t BytesWritten() const override { return written_.load(); }
    void ResetBytesWritten() override { written_.store(0); }

  private:
    serial::TComm comm_;
    Receiver* receiver_ = nullptr;
    std::atomic<std::uint64_t> written_{0};
};

}  // namespace k5
