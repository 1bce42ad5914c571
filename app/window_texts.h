// Every text the desktop program's windows show, in one place for both views.
// They are shown character for character, misspellings and trailing blanks included.
// Every string here goes into the translation catalogue (po/), except the names and
// numbers po/not-translated.pot lists; %1, %2 stand for what is filled in.
#pragma once

#include "p_HexConvertFun.h"

namespace k5::app::text {

// Main window.
inline constexpr const char* kWindowTitle = "Velmar-K5-Controller IAP Tool Ver 5.2-20002 -202501";
inline constexpr const char* kUartMenu = "Uart";
inline constexpr const char* kUartPortItem = "Uart Port";
inline constexpr const char* kReadPack = "Read Pack";
inline constexpr const char* kReadPackTip = "Read Controller  update from pack file ";
inline constexpr const char* kProgram = "Program";
inline constexpr const char* kPackInfo = "Controller Update Pack Info";
inline constexpr const char* kFirmwareName = "Program Firmware Name";
inline constexpr const char* kVersion = "Version";
inline constexpr const char* kOnlyForVelmar = "Tip: Velmar-Middle Drive Controller  Only";
inline constexpr const char* kNotice = "Notice:    if  program unsucessfully";
inline constexpr const char* kNoticeReconnect =
    "1. Reconnect program cable  and connect again if still unsucessful";
inline constexpr const char* kNoticeOldTool = "2. try with V3.1 IAP tool to update  some old controller ";
inline constexpr const char* kWebAddress = "www.k5-drive.example";
inline constexpr const char* kPackFilter = "*.Pack";

// Message boxes.
inline constexpr const char* kPackBroken = kPackBrokenText;
inline constexpr const char* kPackBrokenTitle = "Error";
inline constexpr const char* kForeignPack = kForeignPackText;
inline constexpr const char* kForeignPackTitle = "Warrning";
// The default error box for something thrown that is not an error with a message.
inline constexpr const char* kUnknownError = "Unknown error.";
// A pack handed to the window (a second start, a double-clicked file) while a session runs (ours).
inline constexpr const char* kPackNotReadDuringSession =
    "not read: a controller is being programmed. Open it again when the update has ended.";
// After the "Pack Eror" box (ours): %1 the pack's product code, %2 this controller's.
inline constexpr const char* kForeignPackLine =
    "This pack is for product %1, not %2: program it only if you are sure it fits this controller.";
// After the "Pack file was briken" box (ours); %1 the pack the fields still show.
inline constexpr const char* kPackRefusedProgramOff = "Program stays off until a pack is read.";
inline constexpr const char* kPackRefusedStillShown =
    "Program stays off until a pack is read: %1, still shown above, is no longer loaded.";
inline constexpr const char* kStopAndCloseQuestion = "A controller is being programmed. Stop and close?";
// The Uart menu's checkable item for the fast transfer mode.
inline constexpr const char* kFastTransferItem = "Fast transfer";
// The port the session used hung up (%1: its device).
inline constexpr const char* kPortHungUp = "Port %1 hung up";
// The Uart menu's choice of the windows' language: the system's, or one by its own name.
inline constexpr const char* kLanguageMenu = "Language";
inline constexpr const char* kSystemLanguage = "As the system";
inline constexpr const char* kLanguageAtNextStart =
    "The windows speak the language chosen from the next start of the program.";

// Port dialog.
inline constexpr const char* kPortDialogTitle = "Uart port set";
inline constexpr const char* kPortGroup = "UART";
inline constexpr const char* kPortLabel = "UART Port";
inline constexpr const char* kBaudLabel = "UartBaud rate";
inline constexpr const char* kPortEntries[] = {"com1", "com2", "com3", "com4", "com5",
                                               "com6", "com7", "com8", "com9"};
inline constexpr const char* kBaudEntries[] = {"38400", "57600", "115200"};
inline constexpr const char* kSave = "Save";
// The line under the port box (ours): "COM3 is not present; the adapter found is COM4",
// "/dev/ttyUSB0: USB adapter ...; in use by minicom (pid 4242)".
inline constexpr const char* kPortNotPresent = "is not present";
inline constexpr const char* kPortAdapterFound = "the adapter found is";
inline constexpr const char* kPortInUseBy = "in use by";
// After "Conntect  fail" on a port that hung up (ours).
inline constexpr const char* kPortWentAway = "the port went away: is the cable still plugged in?";
inline constexpr const char* kExit = "Exit";

// A wire trace the settings file asks for ([Trace] File) that cannot be written: a log line, then the path.
inline constexpr const char* kTraceUnwritable = "Cannot write the trace file";
// After the session, when lines of its trace could not be written: then the path and why.
inline constexpr const char* kTraceIncomplete = "The trace file is incomplete:";

// The station: ours, not the controller tools'.
inline constexpr const char* kStationItem = "Station...";
inline constexpr const char* kStationTitle = "K5 IAP Station";
inline constexpr const char* kStationPackGroup = "Pack";
inline constexpr const char* kStationPackFile = "File";
inline constexpr const char* kStationNoPackYet = "none read yet";
inline constexpr const char* kStationRecordLabel = "Record";
inline constexpr const char* kStationChooseRecord = "Choose...";
inline constexpr const char* kStationRecordName = "k5-station-record.csv";
// The record's two formats in the save dialog: a description and its pattern each.
inline constexpr const char* kStationRecordCsv = "CSV record";
inline constexpr const char* kStationRecordJsonLines = "JSON Lines record";
inline constexpr const char* kStationPortsLabel = "Ports";
inline constexpr const char* kStationRefreshPorts = "Refresh";
inline constexpr const char* kStationFast = "Fast transfer";
inline constexpr const char* kStationAutoSpeed = "Fastest line speed";
inline constexpr const char* kStationAutoSpeedTip =
    "Probe at each speed the bootloader may listen at, the fastest first, and program at the one it answers "
    "at";
inline constexpr const char* kStationStart = "Start";
inline constexpr const char* kStationStop = "Stop";
inline constexpr const char* kStationProgramRunning = "Program running controllers";
inline constexpr const char* kStationIdleSummary = "Choose the pack, the record and the ports, then Start.";
inline constexpr const char* kStationRunningSummary = "Running";
// After the running summary, for a CSV record begun before records had labels.
inline constexpr const char* kStationRecordWithoutLabels =
    "The record was begun before labels and keeps its columns: its lines carry no label. Choose a new record "
    "file to have them.";
inline constexpr const char* kStationStoppingSummary = "Stopping";
inline constexpr const char* kStationEndedSummary = "Stopped";
// The pack the window used last time, read again as it opens: then its path, and why.
inline constexpr const char* kStationPackGone = "The pack used last time cannot be read";
inline constexpr const char* kStationPackChanged = "The pack has changed since it was last used; read again:";
// After it: %1 the pack's file name, %2 its version.
inline constexpr const char* kStationPackVersion = "%1, version %2";
inline constexpr const char* kStationPackChangedForeign =
    "The pack has changed since it was last used and is for another product: read it again";
inline constexpr const char* kStationChoicesNotSaved = "The station's choices cannot be saved";
inline constexpr const char* kStationLabelRequired = "Label required";
inline constexpr const char* kStationLabelRequiredTip =
    "Start an update only on a port given the controller's label (scanned or typed)";
// The station's total since Start (%1 and %2: the counts of good and of failed updates, as
// window_counts.h words them) and the time per unit (%1 seconds).
inline constexpr const char* kStationTotal = "%1, %2 since Start";
inline constexpr const char* kStationPerUnit = "%1 s per unit";
// The set-up: a file an engineer saves once for a line; a station opened with it is locked.
inline constexpr const char* kStationSaveSetup = "Save set-up...";
inline constexpr const char* kStationSetupFiles = "Station set-up";
inline constexpr const char* kStationSetupPattern = "*.k5station";
inline constexpr const char* kStationSetupSuggested = "Station.k5station";
inline constexpr const char* kStationSetupNotSaved = "The set-up cannot be saved";
inline constexpr const char* kStationSetupSaved = "Set-up saved:";
inline constexpr const char* kStationSetupIncomplete =
    "Read a pack, tick the ports and choose a record first.";
// %1 the set-up's name: "K5 IAP Station - Line 3 (locked)".
inline constexpr const char* kStationLockedTitle = "K5 IAP Station - %1 (locked)";
inline constexpr const char* kStationLockedSummary =
    "Locked by its set-up: Start when the controllers are ready.";
inline constexpr const char* kStationSetupUnusable = "This set-up cannot be used; nothing is programmed";
// Asked at each Start of a locked station, for the record.
inline constexpr const char* kStationOperatorQuestion = "Your name, for the record:";
inline constexpr const char* kStationNoOperator = "Type your name to start.";

// A tile's counts: %1 the good ones, %2 the failed ones, as window_counts.h words them.
inline constexpr const char* kTileCounts = "%1, %2";
// A tile's states.
inline constexpr const char* kTileNoPort = "No port";
inline constexpr const char* kTileWaiting = "Waiting";
inline constexpr const char* kTileWaitingDetail = "for a controller in its bootloader";
inline constexpr const char* kTileConnecting = "Connecting";
inline constexpr const char* kTileRestarting = "Restarting";
inline constexpr const char* kTileProgramming = "Programming";
inline constexpr const char* kTileOk = "OK";
inline constexpr const char* kTileFailed = "Failed";
inline constexpr const char* kTileProgram = "Program";
inline constexpr const char* kTileStopped = "Stopped";
// A failed tile's advice, short for its room: the tile's title names the port and its device already.
inline constexpr const char* kTileNothingAnswered =
    "Nothing answered: check the cable and the controller's power, and that this is the cable's port.";
inline constexpr const char* kTileFirmwareIncomplete = "The firmware is incomplete: program it again.";
// What to do with the controller after its update, on the tile's advice line.
inline constexpr const char* kTileDone = "Done: take the controller away.";
inline constexpr const char* kTilePutAside = "Put the controller aside as failed, or program it again.";
inline constexpr const char* kTileStoppedAdvice = "Program it again, or put it aside as not programmed.";
// A station that requires labels, on a port that has none.
inline constexpr const char* kTileWaitingForLabel = "Waiting for a label";
inline constexpr const char* kTileLabelHint = "Scan or type the controller's label, then Enter.";
// Beside the reason a text given as a label was refused.
inline constexpr const char* kTileLabelRefused = "Label refused";
inline constexpr const char* kTileLabelBusy =
    "This port is programming: give the label once its update has ended.";
// The label field's own caption.
inline constexpr const char* kTileLabel = "Label";
// A tile once its station has ended: nothing listens on the port any more.
inline constexpr const char* kTileNotServed = "Not served";
inline constexpr const char* kTileServeAgain = "Start serves this port again";
inline constexpr const char* kTileServeAtStart = "Start serves this port";

// The station's boxes.
inline constexpr const char* kStationNoPack = "Read a pack first.";
inline constexpr const char* kStationNoPorts = "Tick at least one port.";
inline constexpr const char* kStationNoRecord = "Choose a record file.";
inline constexpr const char* kStationBadPack = "This file is not an update pack";
inline constexpr const char* kStationForeignPack =
    "This pack is for another product, not for this controller. Use it all the same?";
inline constexpr const char* kStationRecordUnwritable = "The record file cannot be written";
inline constexpr const char* kStationNothingProgrammed = "Nothing was programmed.";
inline constexpr const char* kStationRecordFailed =
    "The station started no new update once the record file could not be written";
inline constexpr const char* kStationNotRecorded =
    "update(s) are not in the record; the tiles show how they ended.";
inline constexpr const char* kStationPortTaken =
    "is in use by the main window's update. Wait until it ends or untick it.";
inline constexpr const char* kSessionPortTaken =
    "is in use by the station. Stop the station or choose another port.";
inline constexpr const char* kStationStopQuestion = "Controllers are being programmed. Stop them now?";
inline constexpr const char* kStationCloseQuestion = "Controllers are being programmed. Stop them and close?";

// The buttons of a question with a text field (Windows has no such box of its own).
inline constexpr const char* kOk = "OK";
inline constexpr const char* kCancel = "Cancel";
// A station set-up handed to the program while the station runs: after the file's name, in the log.
inline constexpr const char* kSetupNotOpenedWhileRunning =
    "not opened: the station is running. Stop it, then open the set-up again.";
// Under a tile's label field: the label taken for the port's next update (%1).
inline constexpr const char* kTileNextLabel = "Next: %1";

}  // namespace k5::app::text
