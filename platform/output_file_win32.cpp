#include <algorithm>
#include <string_view>

#include "file_error.h"
#include "output_file.h"
#include "win32_api.h"

namespace k5::platform {

struct OutputFile::Handle {
    HANDLE file = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    }
};

OutputFile::OutputFile() = default;
OutputFile::~OutputFile() = default;

int OutputFile::Open(const std::filesystem::path& path) {
    // A name Windows takes for a device (COM3, NUL, a pipe under \\.\) is refused before it is
    // opened: opening a port would already act on it.
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    if (length >= 4 && length < MAX_PATH && std::wstring_view(full, 4) == L"\\\\.\\")
        return kNotARegularFileError;
    auto handle = std::make_unique<Handle>();
    // Not CREATE_ALWAYS: what is not a file on a disk is looked at before anything is emptied.
    handle->file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle->file == INVALID_HANDLE_VALUE) return static_cast<int>(::GetLastError());
    if (::GetFileType(handle->file) != FILE_TYPE_DISK)
        return kNotARegularFileError;  // a pipe, a console, a port
    if (!::SetEndOfFile(handle->file)) return static_cast<int>(::GetLastError());
    handle_ = std::move(handle);
    return 0;
}

int OutputFile::Write(std::string_view text) {
    if (!handle_) return ERROR_INVALID_HANDLE;
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        if (!::WriteFile(handle_->file, text.data() + done, part, &written, nullptr))
            return static_cast<int>(::GetLastError());
        if (written == 0) return ERROR_DISK_FULL;
        done += written;
    }
    return 0;
}

}  // namespace k5::platform
