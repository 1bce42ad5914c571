#include "pack_file.h"
#include "win32_api.h"
#include "win32_text.h"

namespace k5::platform {

// The loader's codes are Windows' own: ERROR_FILE_NOT_FOUND (2), ERROR_PATH_NOT_FOUND (3),
// ERROR_TOO_MANY_OPEN_FILES (4), ERROR_ACCESS_DENIED (5).
PackReadResult ReadFileStart(const std::string& fileName, std::uint8_t* buffer, std::size_t size) {
    if (fileName.empty()) return {ERROR_PATH_NOT_FOUND, ERROR_PATH_NOT_FOUND};
    const HANDLE h = ::CreateFileW(Widen(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        const int code = error == ERROR_INVALID_NAME ? ERROR_PATH_NOT_FOUND : static_cast<int>(error);
        return {code, static_cast<int>(error)};
    }
    PackReadResult result;
    // A pipe, a console or a device would block the read or act on it.
    if (::GetFileType(h) != FILE_TYPE_DISK) result = {ERROR_ACCESS_DENIED, ERROR_INVALID_FUNCTION};
    std::size_t got = 0;
    while (result.code == 0 && got < size) {
        DWORD n = 0;
        if (!::ReadFile(h, buffer + got, static_cast<DWORD>(size - got), &n, nullptr)) {
            result = {static_cast<int>(::GetLastError()), static_cast<int>(::GetLastError())};
        } else if (n == 0) {
            result = {kReadBeyondEnd, 0};
        }
        got += n;
    }
    ::CloseHandle(h);
    return result;
}

}  // namespace k5::platform
