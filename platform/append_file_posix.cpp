#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "append_file.h"
#include "regular_file_posix.h"

namespace k5::platform {

namespace {

// Holds the file's lock for one Open or Append.
class FileLock {
  public:
    explicit FileLock(int fd) : fd_(fd), error_(::flock(fd, LOCK_EX) == 0 ? 0 : errno) {}
    ~FileLock() {
        if (error_ == 0) ::flock(fd_, LOCK_UN);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    int Error() const { return error_; }

  private:
    int fd_;
    int error_;
};

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
    // A FIFO or device would not keep lines whole.
    if (const int error = OpenRegularFile(path.c_str(), O_RDWR | O_APPEND | O_CREAT, 0644, handle->fd);
        error != 0)
        return error;
    struct stat info {};
    const FileLock lock(handle->fd);
    if (lock.Error() != 0) return lock.Error();
    if (::fstat(handle->fd, &info) != 0) return errno;
    std::string head(kHeadBytes, '\0');
    const ssize_t got = ::pread(handle->fd, head.data(), head.size(), 0);
    if (got < 0) return errno;
    head.resize(static_cast<std::size_t>(got));
    sizeAtOpen_ = static_cast<std::uint64_t>(info.st_size);
    head_ = std::move(head);
    handle_ = std::move(handle);
    return 0;
}

int AppendFile::Append(std::string_view line, std::string_view firstLine) {
    if (!handle_) return EBADF;
    const int fd = handle_->fd;
    const FileLock lock(fd);
    if (lock.Error() != 0) return lock.Error();
    struct stat info {};
    if (::fstat(fd, &info) != 0) return errno;
    const off_t before = info.st_size;
    std::string text;
    if (before == 0) {
        text = firstLine;
    } else if (char last = '\n'; ::pread(fd, &last, 1, before - 1) == 1 && last != '\n') {
        text = "\n";  // the line before was left open
    }
    text += line;
    if (text.empty()) return 0;
    // With O_APPEND the kernel places the write at the end as a whole. A write cut
    // short is followed by one for the rest, which fails with the reason.
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            // Take back what this write left of itself: the file holds whole lines only.
            if (done > 0 && ::ftruncate(fd, before) != 0) return errno;
            return error;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::fdatasync(fd) == 0 ? 0 : errno;
}

}  // namespace k5::platform
