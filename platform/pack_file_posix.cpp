#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "pack_file.h"

namespace k5::platform {
namespace {

bool ParentDirectoryExists(const std::string& fileName) {
    std::error_code ec;
    auto parent = std::filesystem::path(fileName).parent_path();
    if (parent.empty()) return true;
    return std::filesystem::is_directory(parent, ec);
}

PackReadResult Failure(int err, const std::string& fileName) {
    switch (err) {
        case ENOENT:
            return {ParentDirectoryExists(fileName) ? kFileNotFound : kInvalidFilename, err};
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            return {kInvalidFilename, err};
        case EMFILE:
        case ENFILE:
            return {kTooManyOpenFiles, err};
        case EACCES:
        case EPERM:
        case EISDIR:
            return {kAccessDenied, err};
        default:
            return {err, err};
    }
}

// A FIFO or a device would block the read or act on the open (a serial port raises its lines).
bool IsRegular(const struct stat& info, PackReadResult& refusal) {
    if (S_ISREG(info.st_mode)) return true;
    refusal = {kAccessDenied, S_ISDIR(info.st_mode) ? EISDIR : EINVAL};
    return false;
}

}  // namespace

PackReadResult ReadFileStart(const std::string& fileName, std::uint8_t* buffer, std::size_t size) {
    if (fileName.empty()) return {kInvalidFilename, ENOENT};
    PackReadResult refusal;
    struct stat info {};
    if (::stat(fileName.c_str(), &info) == 0 && !IsRegular(info, refusal)) return refusal;
    // Non-blocking, should the name have changed into a FIFO since.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Failure(errno, fileName);
    PackReadResult result;
    if (::fstat(fd, &info) != 0) {
        result = Failure(errno, fileName);
    } else if (IsRegular(info, refusal)) {
        std::size_t got = 0;
        while (got < size && result.code == 0) {
            const ssize_t n = ::read(fd, buffer + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) result = Failure(errno, fileName);
            if (n == 0) result = {kReadBeyondEnd, 0};
            if (n > 0) got += static_cast<std::size_t>(n);
        }
    } else {
        result = refusal;
    }
    if (::close(fd) != 0 && result.code == 0) result = Failure(errno, fileName);
    return result;
}

}  // namespace k5::platform
