// A simulated K5 controller on a pseudo-terminal: the controller's protocol
// (ControllerModel) behind a line whose bytes are paced like a real one at
// the speed the other end has set.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <thread>

#include "controller_model.h"

namespace k5::sim {

class ControllerSim {
  public:
    explicit ControllerSim(SimOptions options);
    ~ControllerSim();
    ControllerSim(const ControllerSim&) = delete;
    ControllerSim& operator=(const ControllerSim&) = delete;

    // The pseudo-terminal's device, for the program under test to open.
    const std::string& DevicePath() const { return slavePath_; }

    // Runs on a thread of its own until Stop.
    void Start();
    void Stop();
    // Makes Run return soon; safe from any thread.
    void RequestStop();
    // Runs on the calling thread until Stop, or (once) until one session has
    // ended or the line has been quiet for `idleExit` after traffic.
    void Run(bool once, std::chrono::milliseconds idleExit);

    SimReport Report() const;
    // Called for each thing the simulator does, from its own thread.
    std::function<void(const std::string&)> trace;

  private:
    using Clock = std::chrono::steady_clock;
    struct Incoming {
        WireByte byte;
        Clock::time_point at;
    };

    std::uint32_t LineBaud() const;
    Clock::duration ByteTime(std::uint32_t baud) const;
    void ReadLine();
    void FlushDue();
    void CloseLine();

    bool pace_;
    ControllerModel model_;
    int master_ = -1;
    int holder_ = -1;  // keeps the line up while the other end reopens it
    std::string slavePath_;
    int stopEvent_ = -1;
    std::thread thread_;

    Clock::time_point lineFreeIn_{};
    std::deque<Incoming> incoming_;
    Clock::time_point lastTraffic_{};
    std::optional<Clock::time_point> lingerUntil_;
};

}  // namespace k5::sim
