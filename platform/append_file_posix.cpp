#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "append_file.h"

namespace k5::platform {

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
    handle->fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (handle->fd < 0) return errno;
    struct stat info {};
    if (::fstat(handle->fd, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return EINVAL;  // a FIFO or device would not keep lines whole
    sizeAtOpen_ = static_cast<std::uint64_t>(info.st_size);
    handle_ = std::move(handle);
    return 0;
}

int AppendFile::Append(std::string_view line) {
    if (!handle_) return EBADF;
    // Under the file's lock, one write: with O_APPEND the kernel places it at the end as a whole.
    if (::flock(handle_->fd, LOCK_EX) != 0) return errno;
    const ssize_t n = ::write(handle_->fd, line.data(), line.size());
    int error = n < 0 ? errno : static_cast<std::size_t>(n) != line.size() ? ENOSPC : 0;
    if (error == 0 && ::fdatasync(handle_->fd) != 0) error = errno;
    ::flock(handle_->fd, LOCK_UN);
    return error;
}

}  // namespace k5::platform
