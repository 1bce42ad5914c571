#include "p_HexConvertFun.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

#include "CRC16.h"

namespace k5 {
namespace {

constexpr int kFileNotFound = 2;
constexpr int kInvalidFilename = 3;
constexpr int kTooManyOpenFiles = 4;
constexpr int kAccessDenied = 5;
constexpr int kReadBeyondEnd = 100;

bool ParentDirectoryExists(const std::string& fileName) {
    std::error_code ec;
    auto parent = std::filesystem::path(fileName).parent_path();
    if (parent.empty()) return true;
    return std::filesystem::is_directory(parent, ec);
}

int CodeForErrno(int err, const std::string& fileName) {
    switch (err) {
        case ENOENT:
            return ParentDirectoryExists(fileName) ? kFileNotFound : kInvalidFilename;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
            return kInvalidFilename;
        case EMFILE:
        case ENFILE:
            return kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kAccessDenied;
        default:
            return err;
    }
}

void RefuseUnlessRegular(const struct stat& info) {
    if (!S_ISREG(info.st_mode)) throw EInOutError(kAccessDenied, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

}  // namespace

EInOutError::EInOutError(int code, int osError)
    : std::runtime_error(TextFor(code)), code_(code), osError_(osError) {}

std::string EInOutError::TextFor(int code) {
    switch (code) {
        case kFileNotFound:
            return "File not found";
        case kInvalidFilename:
            return "Invalid filename";
        case kTooManyOpenFiles:
            return "Too many open files";
        case kAccessDenied:
            return "File access denied";
        case kReadBeyondEnd:
            return "Read beyond end of file";
        default:
            return "I/O error " + std::to_string(code);
    }
}

EPackInUse::EPackInUse()
    : std::runtime_error("A controller is being programmed; the pack cannot change now") {}

const char* PackKindText(std::uint8_t packKind) {
    return packKind == kPackKindSoftwareAndSettings ? "Software + Settings" : "Software Only";
}

PackStore::PackStore() : buffer_(std::make_unique<PackRecord>()), scratch_(std::make_unique<PackRecord>()) {}

bool PackStore::TryLease() {
    bool expected = false;
    return leased_.compare_exchange_strong(expected, true, std::memory_order_acq_rel);
}

void PackStore::ReleaseLease() { leased_.store(false, std::memory_order_release); }

void PackStore::ReadRecord(const std::string& fileName) {
    if (fileName.empty()) throw EInOutError(kInvalidFilename, ENOENT);
    // A FIFO or a device would block the read or act on the open (a serial
    // port raises its lines): anything but a regular file is refused unopened.
    struct stat info {};
    if (::stat(fileName.c_str(), &info) == 0) RefuseUnlessRegular(info);
    // Read-only: nothing is ever written to a pack. Non-blocking, should the
    // name have changed into a FIFO since.
    FileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) throw EInOutError(CodeForErrno(errno, fileName), errno);
    if (::fstat(file.Get(), &info) != 0) throw EInOutError(CodeForErrno(errno, fileName), errno);
    RefuseUnlessRegular(info);

    std::size_t got = 0;
    while (got < kPackRecordSize) {
        ssize_t n = ::read(file.Get(), scratch_->data() + got, kPackRecordSize - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw EInOutError(CodeForErrno(errno, fileName), errno);
        }
        if (n == 0) throw EInOutError(kReadBeyondEnd, 0);
        got += static_cast<std::size_t>(n);
    }
    if (::close(file.Release()) != 0) throw EInOutError(CodeForErrno(errno, fileName), errno);
}

bool PackStore::LoadPack(const std::string& fileName) {
    if (Leased()) throw EPackInUse();
    ReadRecord(fileName);
    // The whole record is in: from here both stores describe the new pack.
    std::swap(buffer_, scratch_);
    return Decode();
}

bool PackStore::Decode() {
    PackRecord& record = *buffer_;
    const auto headerKey = static_cast<std::uint8_t>(record[kHeaderKeyOffset] + record[kHeaderKeyOffset + 1]);
    for (std::size_t i = 0; i < kPackHeaderSize; ++i) header_.bytes[i] = record[i] ^ headerKey;

    const auto imageKey = static_cast<std::uint8_t>(header_.bytes[header_offset::kHeaderCrc] +
                                                    header_.bytes[header_offset::kHeaderCrc + 1]);
    if (Crc16Xmodem(header_.bytes.data(), header_offset::kCrcCovered) != header_.HeaderCrc()) {
        return false;
    }
    const std::uint32_t length = header_.ImageLength();
    // A longer image would run its last chunk past the end of the record.
    if (length > kMaxImageLength) return false;

    std::uint32_t sum = 0;
    std::uint8_t* image = record.data() + kImageOffset;
    for (std::uint32_t j = 0; j < length; ++j) {
        image[j] ^= imageKey;
        sum += image[j];
    }
    return sum == header_.ImageSum();
}

PackStore& ProcessPack() {
    static PackStore store;
    return store;
}

}  // namespace k5
