// Every wait of a programming session, in the order a session meets them, with
// what each is for. The station's idle probing keeps to the same open and probe
// times, so that a bootloader sees the same line from both.
#pragma once

#include <array>
#include <chrono>

namespace k5::session_timing {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// After the port opens, before its first byte goes out: the adapter and the
// controller's line settle.
inline constexpr milliseconds kOpenSettle{200};
// After a probe: how long the bootloader has to answer 0x02 0xFD.
inline constexpr milliseconds kProbeWindow{500};
// After the entry command, before the restart is logged: the running firmware
// takes the frame before the line goes.
inline constexpr milliseconds kAfterEntryCommand{500};
// After "MCU Restarting...", in two steps: the controller restarts and its
// bootloader begins to listen at the session's speed.
inline constexpr std::array<milliseconds, 2> kRestartPauses{milliseconds{1000}, milliseconds{500}};
// After the header command, before the header block: the bootloader takes
// the command before the block comes.
inline constexpr milliseconds kBeforeHeaderBlock{10};
// After the header block, a fixed wait (not a poll) for the bootloader's
// 0x06; an acknowledgement at any time before its end counts.
inline constexpr milliseconds kHeaderAckWait{500};
// After each chunk, ChunkDelayFactor (by speed) times this, spinning: the
// bootloader keeps up with the line.
inline constexpr microseconds kChunkPauseUnit{6};
// The longest wait for the acknowledgement of each 1024-byte block.
inline constexpr milliseconds kAckLimit{2000};
// The longest wait for the verdict after the image.
inline constexpr milliseconds kVerdictLimit{2000};
// After a header or a block is not acknowledged, before "Program fail ": the
// bootloader's last bytes arrive before the failure is logged.
inline constexpr milliseconds kBeforeTransferFail{500};
// Closing, on every way out: before the port closes, what is still queued
// goes out; after it, the port is free before the session counts as ended.
inline constexpr milliseconds kBeforeClose{500};
inline constexpr milliseconds kAfterClose{100};

}  // namespace k5::session_timing
