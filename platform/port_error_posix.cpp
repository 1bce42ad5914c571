#include <cerrno>
#include <cstring>

#include "port_error.h"

namespace k5::platform {

const char* const kPermissionAdvice =
    "add yourself to the dialout group (sudo usermod -aG dialout $USER) and log in again";
const char* const kInUseAdvice = "fuser -v DEVICE shows which";

PortErrorKind KindOfPortError(int osError) {
    switch (osError) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return PortErrorKind::Missing;
        case EBUSY:
            return PortErrorKind::InUse;
        case EACCES:
        case EPERM:
            return PortErrorKind::NoPermission;
        case ENOTTY:
            return PortErrorKind::NotASerialPort;
        default:
            return PortErrorKind::Other;
    }
}

std::string OsErrorText(int osError) { return std::strerror(osError); }

}  // namespace k5::platform
