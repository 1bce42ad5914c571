#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "output_file.h"
#include "regular_file_posix.h"

namespace k5::platform {

struct OutputFile::Handle {
    int fd = -1;
    ~Handle() {
        if (fd >= 0) ::close(fd);
    }
};

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() = default;

int OutputFile::Open(const std::filesystem::path& path) {
    auto handle = std::make_unique<Handle>();
    if (const int error = OpenRegularFile(path.c_str(), O_WRONLY | O_CREAT, 0666, handle->fd); error != 0)
        return error;
    // Emptied only now that it is known to be a regular file.
    if (::ftruncate(handle->fd, 0) != 0) return errno;
    handle_ = std::move(handle);
    return 0;
}

int OutputFile::Write(std::string_view text) {
    if (!handle_) return EBADF;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(handle_->fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace k5::platform
