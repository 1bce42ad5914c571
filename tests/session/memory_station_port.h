// A station's port in memory: a MemoryPort (its simulated controller behind
// it) whose received data and hang-ups reach the station's thread through its
// dispatcher, as the serial port component delivers them.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "dispatcher.h"
#include "memory_port.h"
#include "station_port.h"

namespace k5::test {

class MemoryStationPort : public StationPort, private SessionPort::Receiver {
  public:
    MemoryStationPort(serial::Dispatcher& thread, sim::SimOptions controller)
        : thread_(thread), port_(std::move(controller)) {
        port_.Bind(this);
    }
    ~MemoryStationPort() override {
        *alive_ = false;
        port_.Bind(nullptr);
    }

    void Bind(SessionPort::Receiver* receiver) override { receiver_ = receiver; }
    std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud, Delivery delivery) override {
        return port_.Open(name, baud, delivery);
    }
    void Write(const std::uint8_t* bytes, std::uint16_t count) override {
        written_ += count;
        port_.Write(bytes, count);
    }
    void Close() override { port_.Close(); }
    std::string Device() const override { return port_.Name(); }
    std::uint64_t BytesWritten() const override { return written_.load(); }
    void ResetBytesWritten() override { written_.store(0); }

    MemoryPort& Memory() { return port_; }

  private:
    // From the port's own thread, carried to the station's.
    void ReceiveData(const std::uint8_t* bytes, std::uint16_t length) override {
        thread_.Post([this, alive = alive_, data = std::vector<std::uint8_t>(bytes, bytes + length)] {
            if (*alive && receiver_ != nullptr)
                receiver_->ReceiveData(data.data(), static_cast<std::uint16_t>(data.size()));
        });
    }
    void PortHungUp() override {
        thread_.Post([this, alive = alive_] {
            if (!*alive) return;
            if (receiver_ != nullptr) receiver_->PortHungUp();
            if (OnHungUp) OnHungUp(port_.Name());
        });
    }

    serial::Dispatcher& thread_;
    MemoryPort port_;
    SessionPort::Receiver* receiver_ = nullptr;
    std::atomic<std::uint64_t> written_{0};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace k5::test
