// Undoes the in-band marking of received bytes (termios PARMRK): 0xFF 0xFF is a
// received 0xFF, 0xFF 0x00 X is byte X received with a line error (X = 0 for a
// break as well). Keeps its state across reads, so a mark may be split.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k5::serial {

class LineMarkDecoder {
  public:
    struct Marks {
        std::size_t errors = 0;  // bytes marked as received with an error
        std::size_t breaks = 0;  // marks of a NUL, i.e. breaks or NULs with framing errors
    };

    // Decodes `n` bytes into `out` and returns the decoded count, at most
    // n + PendingOutput().
    std::size_t Feed(const std::uint8_t* in, std::size_t n, std::uint8_t* out, Marks& marks);

    // Bytes the next Feed may give beyond its input: a held 0xFF that turns out
    // not to start a mark.
    std::size_t PendingOutput() const { return state_ == State::SawFf ? 1 : 0; }

  private:
    enum class State { Plain, SawFf, SawFf00 } state_ = State::Plain;
};

}  // namespace k5::serial
