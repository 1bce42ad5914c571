#include "line_mark_decoder.h"

namespace k5::serial {

std::size_t LineMarkDecoder::Feed(const std::uint8_t* in, std::size_t n, std::uint8_t* out, Marks& marks) {
    std::size_t produced = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t byte = in[i];
        switch (state_) {
            case State::Plain:
                if (byte == 0xFF) {
                    state_ = State::SawFf;
                } else {
                    out[produced++] = byte;
                }
                break;
            case State::SawFf:
                if (byte == 0x00) {
                    state_ = State::SawFf00;
                } else {
                    // 0xFF 0xFF, or a lone 0xFF from a driver that does not mark: keep both meanings.
                    out[produced++] = 0xFF;
                    if (byte != 0xFF) out[produced++] = byte;
                    state_ = State::Plain;
                }
                break;
            case State::SawFf00:
                out[produced++] = byte;
                ++marks.errors;
                if (byte == 0x00) ++marks.breaks;
                state_ = State::Plain;
                break;
        }
    }
    return produced;
}

}  // namespace k5::serial
