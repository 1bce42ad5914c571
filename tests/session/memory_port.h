// A session's port in memory, with a simulated controller behind it: what the
// session writes reaches the controller at once; its answers reach the
// session from the port's own thread 100 ms after they are due (1 ms with fast
// delivery), in blocks, as the serial component delivers them (its read
// interval time-out). The
// cable-pull fault hangs the port up, and then it no longer opens.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "controller_model.h"
#include "session_port.h"

namespace k5::test {

class MemoryPort : public SessionPort {
  public:
    using Clock = std::chrono::steady_clock;

    explicit MemoryPort(sim::SimOptions controller);
    ~MemoryPort() override;

    void Bind(Receiver* receiver) override;
    std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud, Delivery delivery) override;
    void Write(const std::uint8_t* bytes, std::uint16_t count) override;
    void Close() override;

    // Set before a session: every open fails so.
    void RefuseOpens(OpenFailure failure);

    bool IsOpen() const;
    std::string Name() const;  // of the last open
    std::uint32_t Baud() const;
    int HangUps() const;
    Clock::time_point FirstHangUp() const;
    sim::SimReport Report() const { return controller_.Report(); }

  private:
    void DeliverAnswers();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    sim::ControllerModel controller_;
    Receiver* receiver_ = nullptr;
    bool delivering_ = false;  // a call into the receiver is under way
    bool open_ = false;
    bool stop_ = false;
    std::deque<sim::ControllerModel::Answer> inFlight_;  // due at the session, oldest first
    std::optional<OpenFailure> refusal_;
    std::string name_;
    std::uint32_t baud_ = 0;
    std::chrono::milliseconds deliveryDelay_{100};
    int hangUps_ = 0;
    Clock::time_point firstHangUp_{};
    std::thread thread_;
};

}  // namespace k5::test
