#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "file_replace.h"

namespace k5::platform {
namespace {

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    const auto parent = file.parent_path();
    return parent.empty() ? std::filesystem::path(".") : parent;
}

// Where a replace puts the new file before it takes the old one's place.
std::filesystem::path StagingName(const std::filesystem::path& target) {
    return FolderOf(target) / ("." + target.filename().string() + ".new");
}

// Owner first: a change of owner may clear mode bits that fchmod then sets.
int ApplyKeep(int fd, const FileKeep& keep) {
    if ((keep.owner >= 0 || keep.group >= 0) &&
        ::fchown(fd, static_cast<uid_t>(keep.owner), static_cast<gid_t>(keep.group)) != 0) {
        return errno;
    }
    return ::fchmod(fd, static_cast<mode_t>(keep.mode)) == 0 ? 0 : errno;
}

int WriteAll(int fd, std::string_view contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int WriteAndSync(int fd, std::string_view contents, const FileKeep& keep) {
    if (const int error = ApplyKeep(fd, keep); error != 0) return error;
    if (const int error = WriteAll(fd, contents); error != 0) return error;
    return ::fsync(fd) == 0 ? 0 : errno;
}

int CloseKeepingError(int fd, int error) {
    const int closed = ::close(fd) == 0 ? 0 : errno;
    return error != 0 ? error : closed;
}

// Writes the new file where it has no name, then names it: a kill before that
// leaves nothing. 0, ENOTSUP when the file system or /proc cannot do it, or an error.
int StageUnnamed(const std::filesystem::path& staging, std::string_view contents, const FileKeep& keep) {
    const int fd = ::open(FolderOf(staging).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) return errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL ? ENOTSUP : errno;
    if (const int error = WriteAndSync(fd, contents, keep); error != 0) return CloseKeepingError(fd, error);
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, staging.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        return CloseKeepingError(fd, errno == ENOENT ? ENOTSUP : errno);
    }
    return CloseKeepingError(fd, 0);
}

int StageNamed(const std::filesystem::path& staging, std::string_view contents, const FileKeep& keep) {
    const int fd = ::open(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    const int error = CloseKeepingError(fd, WriteAndSync(fd, contents, keep));
    if (error != 0) ::unlink(staging.c_str());
    return error;
}

// The file's own inode, overwritten and cut to length: its owner, mode and
// links stay, but a crash in the middle leaves it half written.
int WriteInPlace(const std::filesystem::path& target, std::string_view contents) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    int error = WriteAll(fd, contents);
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0) error = errno;
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    return CloseKeepingError(fd, error);
}

}  // namespace

const char* const kNativeNewline = "\n";

int CheckReplaceable(const std::filesystem::path& target, FileKeep& keep) {
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) return EISDIR;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    if ((info.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0) return EACCES;
    keep.mode = info.st_mode & 07777;
    // Only what differs from a new file's own: a chown to oneself is a no-op anyway.
    keep.owner = info.st_uid != ::geteuid() ? static_cast<long>(info.st_uid) : -1;
    keep.group = info.st_gid != ::getegid() ? static_cast<long>(info.st_gid) : -1;
    return 0;
}

FileEditLock::FileEditLock(const std::filesystem::path& file) {
    const int folder = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        error_ = errno;
        return;
    }
    while (::flock(folder, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        error_ = errno;
        ::close(folder);
        return;
    }
    handle_ = folder + 1;
}

FileEditLock::~FileEditLock() {
    if (handle_ != 0) ::close(static_cast<int>(handle_ - 1));  // releases the lock
}

int ReadWholeFile(const std::filesystem::path& file, std::string& contents, std::size_t largest) {
    contents.clear();
    // Non-blocking, so that a FIFO in the file's place cannot hang the caller.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return errno;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return CloseKeepingError(fd, errno);
    if (S_ISDIR(info.st_mode)) return CloseKeepingError(fd, EISDIR);
    if (!S_ISREG(info.st_mode)) return CloseKeepingError(fd, EINVAL);
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return CloseKeepingError(fd, errno);
        }
        if (n == 0) break;
        contents.append(buffer, static_cast<std::size_t>(n));
        if (contents.size() > largest) return CloseKeepingError(fd, EFBIG);
    }
    return CloseKeepingError(fd, 0);
}

int ReplaceFileContents(const std::filesystem::path& target, std::string_view contents,
                        const FileKeep& keep) {
    const auto staging = StagingName(target);
    // Under the edit lock a staged file can only be what a killed replace left.
    if (::unlink(staging.c_str()) != 0 && errno != ENOENT && errno != EACCES) return errno;
    int error = StageUnnamed(staging, contents, keep);
    if (error == ENOTSUP) error = StageNamed(staging, contents, keep);
    // A folder closed to new files, or an owner this user cannot give away: the
    // file itself is writable (checked before), so write it where it is.
    if ((error == EACCES || error == EPERM) && ::access(target.c_str(), F_OK) == 0) {
        return WriteInPlace(target, contents);
    }
    if (error != 0) return error;
    if (::rename(staging.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(staging.c_str());
        // A sticky folder lets only the owner replace the file.
        return error == EPERM || error == EACCES ? WriteInPlace(target, contents) : error;
    }
    // Make the rename itself durable; a failure here changes nothing for readers.
    if (const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return 0;
}

}  // namespace k5::platform
