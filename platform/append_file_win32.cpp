#include "append_file.h"
#include "win32_api.h"

namespace k5::platform {

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
    // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end as a whole.
    handle->file =
        ::CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    if (::GetFileType(handle->file) != FILE_TYPE_DISK) return ERROR_INVALID_PARAMETER;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(handle->file, &size)) return static_cast<int>(::GetLastError());
    sizeAtOpen_ = static_cast<std::uint64_t>(size.QuadPart);
    handle_ = std::move(handle);
    return 0;
}

int AppendFile::Append(std::string_view line) {
    if (!handle_) return ERROR_INVALID_HANDLE;
    // Under a lock of the whole file (as far as it can grow), one write at its end.
    OVERLAPPED whole{};
    if (!::LockFileEx(handle_->file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        return static_cast<int>(::GetLastError());
    }
    DWORD written = 0;
    int error = 0;
    if (!::WriteFile(handle_->file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
        error = static_cast<int>(::GetLastError());
    } else if (written != line.size()) {
        error = ERROR_DISK_FULL;
    } else if (!::FlushFileBuffers(handle_->file)) {
        error = static_cast<int>(::GetLastError());
    }
    ::UnlockFileEx(handle_->file, 0, MAXDWORD, MAXDWORD, &whole);
    return error;
}

}  // namespace k5::platform
