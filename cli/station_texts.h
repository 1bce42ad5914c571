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
// A port of a station that requires labels, without one.
inline constexpr const char* kWaitingForLabel = "waiting for the controller's label (N LABEL then Enter)";
inline constexpr const char* kWaitingForLabelOnePort =
    "waiting for the controller's label (LABEL then Enter)";
inline constexpr const char* kPutAside =
    "put the controller aside as failed, or its number and Enter to program it again";
inline constexpr const char* kNextLabel = "next label";
// An operator's line that is not taken: %1 why.
inline constexpr const char* kLineRefused = "line not taken: %1";
inline constexpr const char* kNotJsonObject =
    "not a JSON object of texts and whole numbers, such as {\"port\":2,\"label\":\"K5-2412-00311\"}";
inline constexpr const char* kNoSuchPort = "\"port\" is a port's number, 1 to %1";
inline constexpr const char* kLabelNotText = "\"label\" is text in double quotes";
inline constexpr const char* kUnknownKey =
    "\"%1\" means nothing here: a line has \"port\", \"label\" or both";
inline constexpr const char* kWhichPort = "which port? Its number first (1 to %1), a blank, then the label";
inline constexpr const char* kNothingAsked = "nothing asked: give \"port\", \"label\" or both";
// %1 the port's number, %2 why.
inline constexpr const char* kLabelRefused = "label refused for port %1: %2";
inline constexpr const char* kLabelBusy = "port %1 is programming: give its label once that update has ended";
// The result of a station that does not start for its set-up.
inline constexpr const char* kSetupUnusable = "The set-up cannot be used";
inline constexpr const char* kSetupPackChanged = "The set-up's pack has changed";
// A CSV record begun before records had labels (%1 the file).
inline constexpr const char* kRecordWithoutLabels =
    "%1 was begun before records had labels: its lines keep that layout, without label, setup, work order "
    "and operator (a new record file has them)";

}  // namespace k5::cli::station_text
