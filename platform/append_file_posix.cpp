#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "append_file.h"

namespace k5::platform {

namespace {

// A writer killed inside its write can leave part of a line (the kernel stops
// a large copy between pages when a fatal signal is pending): cut such a tail
// back to the last whole line. Called under the lock, so no live writer is
// inside a write.
int CutTornTail(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    off_t end = info.st_size;
    char last = '\n';
    if (end == 0 || ::pread(fd, &last, 1, end - 1) != 1 || last == '\n') return 0;
    char block[4096];
    while (end > 0) {
        const off_t from =
            end > static_cast<off_t>(sizeof block) ? end - static_cast<off_t>(sizeof block) : 0;
        const ssize_t got = ::pread(fd, block, static_cast<std::size_t>(end - from), from);
        if (got <= 0) return errno ? errno : EIO;
        for (ssize_t i = got - 1; i >= 0; --i) {
            if (block[i] == '\n') return ::ftruncate(fd, from + i + 1) == 0 ? 0 : errno;
        }
        end = from;
    }
    return ::ftruncate(fd, 0) == 0 ? 0 : errno;
}

}  // namespace

struct AppendFile::Handle {
    int fd = -1;
    ~Handle() {
        if (fd >= 0) ::close(fd);
    }
};

AppendFile::AppendFile() = default;
AppendFile::~AppendFile() = default;

int AppendFile::Open(const std::filesystem::path& path) {
    auto handle = std::make_unique<Handle>();
    handle->fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (handle->fd < 0) return errno;
    struct stat info {};
    if (::fstat(handle->fd, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EINVAL;  // a FIFO or device would not keep lines whole
    if (::flock(handle->fd, LOCK_EX) != 0) return errno;
    const int cut = CutTornTail(handle->fd);
    if (cut == 0 && ::fstat(handle->fd, &info) != 0) return errno;
    ::flock(handle->fd, LOCK_UN);
    if (cut != 0) return cut;
    sizeAtOpen_ = static_cast<std::uint64_t>(info.st_size);
    handle_ = std::move(handle);
    return 0;
}

int AppendFile::Append(std::string_view line) {
    if (!handle_) return EBADF;
    // Under the file's lock, one write: with O_APPEND the kernel places it at the end as a whole.
    if (::flock(handle_->fd, LOCK_EX) != 0) return errno;
    if (const int error = CutTornTail(handle_->fd); error != 0) {
        ::flock(handle_->fd, LOCK_UN);
        return error;
    }
    const ssize_t n = ::write(handle_->fd, line.data(), line.size());
    int error = n < 0 ? errno : static_cast<std::size_t>(n) != line.size() ? ENOSPC : 0;
    if (error == 0 && ::fdatasync(handle_->fd) != 0) error = errno;
    ::flock(handle_->fd, LOCK_UN);
    return error;
}

}  // namespace k5::platform
