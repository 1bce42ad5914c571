#include "file_error.h"
#include "win32_api.h"

namespace k5::platform {

const int kNotARegularFileError = ERROR_BAD_FILE_TYPE;

FileErrorKind KindOfFileError(int osError) {
    switch (static_cast<DWORD>(osError)) {
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileErrorKind::DiskFull;
        case ERROR_BAD_FILE_TYPE:
            return FileErrorKind::NotARegularFile;
        default:
            return FileErrorKind::Other;
    }
}

}  // namespace k5::platform
