// How far an image's transfer is, from the positions its session reports: the
// per cent, the bytes done and the rate, worked out alike wherever a front end
// shows them.
#pragma once

#include <chrono>
#include <cstdint>

namespace k5 {

class TransferProgress {
  public:
    using Clock = std::chrono::steady_clock;

    // A new transfer of `total` bytes: nothing done, no rate yet.
    void Start(std::uint32_t total);
    // The bytes sent by `now`; a position beyond the total counts as the total.
    void MoveTo(std::uint32_t position, Clock::time_point now);

    std::uint32_t Done() const { return done_; }
    std::uint32_t Total() const { return total_; }
    // Whole per cent, rounded down: 100 only once every byte is sent (0 without a total).
    std::uint32_t Percent() const;
    // Measured from the first position beyond 0, so that the wait before the first
    // chunk does not count; 0 until that is half a second ago, when a figure would
    // still jump.
    double BytesPerSecond() const;

  private:
    std::uint32_t total_ = 0;
    std::uint32_t done_ = 0;
    std::uint32_t firstDone_ = 0;  // at the first position beyond 0
    Clock::time_point firstAt_{};
    Clock::time_point lastAt_{};
};

}  // namespace k5
