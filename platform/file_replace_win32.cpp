#include <cerrno>
#include <functional>

#include "file_replace.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {
namespace {

std::filesystem::path StagingName(const std::filesystem::path& target) {
    auto staging = target;
    staging += ".new";
    return staging;
}

int MissingAsEnoent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT : static_cast<int>(error);
}

}  // namespace

const char* const kNativeNewline = "\r\n";

int CheckReplaceable(const std::filesystem::path& target, FileKeep& keep) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return MissingAsEnoent(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return EISDIR;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return EINVAL;
    if (attributes & FILE_ATTRIBUTE_READONLY) return static_cast<int>(ERROR_ACCESS_DENIED);
    keep = FileKeep{};
    return 0;
}

// Directories cannot be locked on Windows: a named mutex per file stands in,
// shared by every program of this user's session.
FileEditLock::FileEditLock(const std::filesystem::path& file) {
    std::error_code ec;
    auto key = std::filesystem::absolute(file, ec).wstring();
    for (auto& c : key) c = static_cast<wchar_t>(::towlower(c));
    const std::wstring name = L"Local\\k5-iap-tool-" + std::to_wstring(std::hash<std::wstring>{}(key));
    const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr) {
        error_ = static_cast<int>(::GetLastError());
        return;
    }
    const DWORD waited = ::WaitForSingleObject(mutex, INFINITE);
    if (waited != WAIT_OBJECT_0 &&
        waited != WAIT_ABANDONED) {  // abandoned: its holder died, the lock is ours
        error_ = static_cast<int>(::GetLastError());
        ::CloseHandle(mutex);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

FileEditLock::~FileEditLock() {
    if (handle_ == 0) return;
    const auto mutex = reinterpret_cast<HANDLE>(handle_);
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
}

int ReadWholeFile(const std::filesystem::path& file, std::string& contents, std::size_t largest) {
    contents.clear();
    const HANDLE h =
        ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return MissingAsEnoent(::GetLastError());
    int error = 0;
    if (::GetFileType(h) != FILE_TYPE_DISK) error = EINVAL;
    char buffer[4096];
    while (error == 0) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
            error = static_cast<int>(::GetLastError());
        } else if (got == 0) {
            break;
        } else {
            contents.append(buffer, got);
            if (contents.size() > largest) error = EFBIG;
        }
    }
    ::CloseHandle(h);
    return error;
}

namespace {

DWORD WriteAllAndFlush(HANDLE h, std::string_view contents) {
    DWORD error = 0;
    std::size_t done = 0;
    while (error == 0 && done < contents.size()) {
        DWORD wrote = 0;
        if (!::WriteFile(h, contents.data() + done, static_cast<DWORD>(contents.size() - done), &wrote,
                         nullptr)) {
            error = ::GetLastError();
        }
        done += wrote;
    }
    if (error == 0 && !::SetEndOfFile(h)) error = ::GetLastError();
    if (error == 0 && !::FlushFileBuffers(h)) error = ::GetLastError();
    return error;
}

// The file itself overwritten and cut to length, for a folder closed to new
// files: a crash in the middle leaves it half written.
int WriteInPlace(const std::filesystem::path& target, std::string_view contents) {
    const HANDLE h = ::CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (h == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    const DWORD error = WriteAllAndFlush(h, contents);
    ::CloseHandle(h);
    return static_cast<int>(error);
}

}  // namespace

int ReplaceFileContents(const std::filesystem::path& target, std::string_view contents, const FileKeep&) {
    const auto staging = StagingName(target);
    // Under the edit lock a staged file can only be what a killed replace left.
    ::DeleteFileW(staging.c_str());
    const HANDLE h = ::CreateFileW(staging.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const bool exists = ::GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
        return error == ERROR_ACCESS_DENIED && exists ? WriteInPlace(target, contents)
                                                      : static_cast<int>(error);
    }
    DWORD error = WriteAllAndFlush(h, contents);
    ::CloseHandle(h);
    // One rename takes the old file's place: readers see the old file or the new one.
    if (error == 0 &&
        !::MoveFileExW(staging.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ::GetLastError();
    }
    if (error != 0) ::DeleteFileW(staging.c_str());
    return static_cast<int>(error);
}

}  // namespace k5::platform
