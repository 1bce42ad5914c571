#include <string>

#include "append_file.h"
#include "file_error.h"
#include "win32_api.h"

namespace k5::platform {

namespace {

// Holds a lock of the whole file (as far as it can grow) for one Open or Append.
class FileLock {
  public:
    explicit FileLock(HANDLE file) : file_(file) {
        error_ = ::LockFileEx(file_, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole_)
                     ? 0
                     : static_cast<int>(::GetLastError());
    }
    ~FileLock() {
        if (error_ == 0) ::UnlockFileEx(file_, 0, MAXDWORD, MAXDWORD, &whole_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    int Error() const { return error_; }

  private:
    HANDLE file_;
    OVERLAPPED whole_{};
    int error_;
};

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

}  // namespace

struct AppendFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
};

AppendFile::AppendFile() = default;
AppendFile::~AppendFile() = default;

int AppendFile::Open(const std::filesystem::path& path) {
    auto handle = std::make_unique<Handle>();
    // Write access (not only FILE_APPEND_DATA) lets a failed write be taken back; every
    // write goes to the end the file has under its lock.
    handle->file =
        ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    if (::GetFileType(handle->file) != FILE_TYPE_DISK) return kNotARegularFileError;
    const FileLock lock(handle->file);
    if (lock.Error() != 0) return lock.Error();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle->file, &size)) return static_cast<int>(::GetLastError());
    std::string head(kHeadBytes, '\0');
    DWORD got = 0;
    OVERLAPPED start = At(0);
    if (size.QuadPart > 0 &&
        !::ReadFile(handle->file, head.data(), static_cast<DWORD>(head.size()), &got, &start)) {
        return static_cast<int>(::GetLastError());
    }
    head.resize(got);
    sizeAtOpen_ = static_cast<std::uint64_t>(size.QuadPart);
    head_ = std::move(head);
    handle_ = std::move(handle);
    return 0;
}

int AppendFile::Append(std::string_view line, std::string_view firstLine) {
    if (!handle_) return ERROR_INVALID_HANDLE;
    const HANDLE file = handle_->file;
    const FileLock lock(file);
    if (lock.Error() != 0) return lock.Error();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) return static_cast<int>(::GetLastError());
    const auto before = static_cast<std::uint64_t>(size.QuadPart);
    std::string text;
    if (before == 0) {
        text = firstLine;
    } else {
        char last = '\n';
        DWORD got = 0;
        OVERLAPPED at = At(before - 1);
        if (::ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n') text = "\n";
    }
    text += line;
    if (text.empty()) return 0;
    DWORD written = 0;
    OVERLAPPED end = At(before);
    int error = 0;
    if (!::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &end)) {
        error = static_cast<int>(::GetLastError());
    } else if (written != text.size()) {
        error = ERROR_DISK_FULL;
    }
    if (error != 0) {
        // Take back what this write left of itself: the file holds whole lines only.
        FILE_END_OF_FILE_INFO length{};
        length.EndOfFile.QuadPart = static_cast<LONGLONG>(before);
        ::SetFileInformationByHandle(file, FileEndOfFileInfo, &length, sizeof length);
        return error;
    }
    return ::FlushFileBuffers(file) ? 0 : static_cast<int>(::GetLastError());
}

}  // namespace k5::platform
