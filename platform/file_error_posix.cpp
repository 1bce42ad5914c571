#include <cerrno>

#include "file_error.h"

namespace k5::platform {

const int kNotARegularFileError = EINVAL;

FileErrorKind KindOfFileError(int osError) {
    switch (osError) {
        case ENOSPC:
        case EDQUOT:
            return FileErrorKind::DiskFull;
        default:
            return FileErrorKind::Other;
    }
}

}  // namespace k5::platform
