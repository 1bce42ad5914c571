// Exit codes of k5-iap; the README lists them.
#pragma once

namespace k5::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitSessionFailed = 1;
inline constexpr int kExitNoAnswer = 1;  // doctor --probe: nothing answered
inline constexpr int kExitPortUnavailable = 2;
inline constexpr int kExitPackRejected = 3;
inline constexpr int kExitPackUnreadable = 4;
inline constexpr int kExitForeignProduct = 5;
inline constexpr int kExitRecordUnwritable = 6;  // station: the record cannot be written
inline constexpr int kExitSetupPackChanged = 7;  // station --setup: the pack is not the set-up's (SHA-256)
inline constexpr int kExitSetupUnusable = 8;  // station --setup: the set-up cannot be read or is incomplete
inline constexpr int kExitUsage = 64;
inline constexpr int kExitInterrupted = 130;  // Ctrl+C: 128 + SIGINT, as shells report it

}  // namespace k5::cli
