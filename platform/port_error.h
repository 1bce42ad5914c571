// Why a port did not open, in words a front end can act on (after
// QSerialPort::SerialPortError), with the OS's own code and text kept.
#pragma once

#include <string>

namespace k5::platform {

enum class PortErrorKind {
    Missing,         // no such device: not plugged in, or the name leads elsewhere
    InUse,           // another program has it open
    NoPermission,    // the user may not open it
    NotASerialPort,  // it opened, but is no serial line
    Other,
};

PortErrorKind KindOfPortError(int osError);

// What to do, in a few words, for NoPermission.
extern const char* const kPermissionAdvice;
// How to find, or what may be, the program that has `device` open (InUse).
std::string InUseAdvice(const std::string& device);
// What to do about NoPermission on this device: on Linux, join the device's
// group only where that group may read and write it.
std::string PermissionAdvice(const std::string& device);
// The OS's text for `osError` (strerror, FormatMessage), in UTF-8.
std::string OsErrorText(int osError);

}  // namespace k5::platform
