// Opening a regular file without waiting on what else may stand under its name.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace k5::platform {

// Opens `path` with `flags` (and `mode` for a new file), refusing what is not a regular
// file: EISDIR for a folder, EINVAL for a FIFO, a device or a socket. A device is not even
// opened (a serial port would raise its lines); the open itself does not wait (a FIFO with
// no reader), and the descriptor it gives blocks again. 0 with `fd` set, or the OS error.
inline int OpenRegularFile(const char* path, int flags, mode_t mode, int& fd) {
    const auto refusal = [](const struct stat& info) { return S_ISDIR(info.st_mode) ? EISDIR : EINVAL; };
    struct stat info {};
    if (::stat(path, &info) == 0 && !S_ISREG(info.st_mode)) return refusal(info);
    const int opened = ::open(path, flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (opened < 0) return errno;
    int error = 0;
    if (::fstat(opened, &info) != 0) {
        error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        error = refusal(info);  // it changed into one since
    } else if (const int now = ::fcntl(opened, F_GETFL);
               now < 0 || ::fcntl(opened, F_SETFL, now & ~O_NONBLOCK) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(opened);
        return error;
    }
    fd = opened;
    return 0;
}

}  // namespace k5::platform
