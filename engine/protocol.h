// The wire protocol between the tool and the controller's bootloader: the
// bytes and sizes that both the session and the simulated controller use.
#pragma once

#include <cstddef>
#include <cstdint>

namespace k5::protocol {

// Tool to controller.
inline constexpr std::uint8_t kProbe = 0x02;
inline constexpr std::uint8_t kHeaderCommand = 0x06;  // followed by the header block (header_block.h)
inline constexpr std::size_t kHeaderBlockSize = 12;
inline constexpr std::size_t kChunkSize = 16;     // image bytes per write, XORed with the transfer key
inline constexpr std::uint32_t kAckEvery = 1024;  // image bytes between acknowledgements

// Controller to tool: single bytes, alone or inside larger blocks.
inline constexpr std::uint8_t kProbeReplyFirst = 0x02;
inline constexpr std::uint8_t kProbeReplySecond = 0xFD;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kEot = 0x04;  // the image is programmed

// The bootloader entry command for the running firmware.
inline constexpr std::size_t kEntryFrameSize = 21;
inline constexpr std::uint8_t kEntryFrameMask = 0xA7;  // every byte is XORed with it
inline constexpr std::uint32_t kEntryCommandBaud = 9600;

}  // namespace k5::protocol
