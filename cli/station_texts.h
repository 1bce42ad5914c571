// What `k5-iap station` says (ours, not the controller tools').
#pragma once

namespace k5::cli::station_text {

inline constexpr const char* kWaiting = "waiting for a controller";
inline constexpr const char* kWaitingForEnter = "waiting (Enter, or its number and Enter, programs it)";
inline constexpr const char* kNoPort = "no port";
inline constexpr const char* kOk = "OK";
inline constexpr const char* kFailed = "failed";
inline constexpr const char* kStopped = "stopped";
inline constexpr const char* kTakeAway = "take the controller away, or its number and Enter to program again";
inline constexpr const char* kKeys =
    "Enter: program every idle port   N Enter: program port N   q Enter: end after the running updates   "
    "Ctrl+C: stop";
inline constexpr const char* kStarting = "starting";
inline constexpr const char* kConnecting = "connecting";
inline constexpr const char* kRestarting = "restarting into the bootloader";
inline constexpr const char* kProgramming = "programming";
inline constexpr const char* kVerdict = "waiting for the verdict";
inline constexpr const char* kRecordUnwritable = "cannot write the record";
inline constexpr const char* kNothingProgrammed = "nothing is programmed";
inline constexpr const char* kNoNewUpdates = "no new update starts; the running ones finish";
inline constexpr const char* kEndedForRecord = "the station ended after the updates under way";
inline constexpr const char* kNotInRecord = "update(s) not in the record (shown above)";
inline constexpr const char* kUnrecorded = "not recorded";

}  // namespace k5::cli::station_text
