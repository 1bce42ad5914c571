// Every text the desktop program's windows show, in one place for both views.
// They are shown character for character, misspellings and trailing blanks included.
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
inline constexpr const char* kForeignPack = "Pack Eror";
inline constexpr const char* kForeignPackTitle = "Warrning";
// The default error box for something thrown that is not an error with a message.
inline constexpr const char* kUnknownError = "Unknown error.";
inline constexpr const char* kStopAndCloseQuestion = "A controller is being programmed. Stop and close?";
// The Uart menu's checkable item for the fast transfer mode.
inline constexpr const char* kFastTransferItem = "Fast transfer";

// Port dialog.
inline constexpr const char* kPortDialogTitle = "Uart port set";
inline constexpr const char* kPortGroup = "UART";
inline constexpr const char* kPortLabel = "UART Port";
inline constexpr const char* kBaudLabel = "UartBaud rate";
inline constexpr const char* kPortEntries[] = {"com1", "com2", "com3", "com4", "com5",
                                               "com6", "com7", "com8", "com9"};
inline constexpr const char* kBaudEntries[] = {"38400", "57600", "115200"};
inline constexpr const char* kSave = "Save";
inline constexpr const char* kExit = "Exit";

}  // namespace k5::app::text
